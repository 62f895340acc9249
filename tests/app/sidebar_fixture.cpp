#include "tests/app/sidebar_fixture.h"

#include <QCoreApplication>

#include <fstream>

#include "app/results/results_browser.h"
#include "app/sidebar/breadcrumb_bar.h"
#include "app/sidebar/breadcrumbs.h"
#include "app/sidebar/category_buttons.h"
#include "app/sidebar/sidebar.h"
#include "app/sidebar/sidebar_button.h"
#include "app/sidebar/sidebar_navigation.h"
#include "core/records/sample_type.h"

namespace svapp_test {

namespace fs = std::filesystem;

std::int64_t SidebarTest::addLibrary(const fs::path& root, const std::vector<Folder>& folders,
                                     const std::string& label) {
    sv::Database db(sv::Database::defaultPath());
    const std::int64_t libraryId = db.addLibrary(root.string());
    if (!label.empty())
        db.setLibraryDisplayLabel(libraryId, label);
    for (const Folder& folder : folders) {
        const fs::path directory = folder.relative.empty() ? root : root / folder.relative;
        fs::create_directories(directory);
        for (int i = 0; i < folder.count; ++i) {
            sv::Sample sample;
            sample.filename = directory.filename().string() + " " + std::to_string(i + 1) +
                              (folder.type == "MIDI" ? ".mid" : ".wav");
            sample.path = (directory / sample.filename).string();
            std::ofstream(sample.path) << "x";
            sample.library = root.filename().string();
            sample.genre = "trap";
            sample.instrument = "Bass";
            sample.musicalKey = "A min";
            sample.type = sv::sampleTypeFromString(folder.type);
            sample.autoDetectedType = sample.type;
            sample.bpm = 120;
            sample.duration = 1.0;
            sample.fileSize = 1;
            sample.modifiedAt = 1'700'000'000;
            sample.favorite = folder.favorite;
            db.upsert(sample, libraryId);
            if (folder.favorite) {
                if (const auto stored = db.findByPath(sample.path))
                    db.setFavorite(stored->id, true);
            }
        }
    }
    return libraryId;
}

std::int64_t SidebarTest::addPlaylist(const std::string& name, const std::string& folder,
                                      int members) {
    sv::Database db(sv::Database::defaultPath());
    const std::int64_t id = db.createPlaylist(name);
    sv::SearchQuery query;
    query.folder = folder;
    query.limit = members;
    for (const sv::Sample& sample : db.search(query))
        db.addToPlaylist(id, sample.id);
    return id;
}

SVSidebar& SidebarTest::sidebar() const {
    return *controller->sidebar();
}

SVSidebarNavigation& SidebarTest::navigation() const {
    return sidebar().navigation();
}

SVBreadcrumbs& SidebarTest::breadcrumbs() const {
    return sidebar().breadcrumbs();
}

SVCategoryButtons& SidebarTest::buttons() const {
    return navigation().buttons();
}

SVFolderOutline& SidebarTest::outline() const {
    return navigation().outline();
}

void SidebarTest::settle() const {
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

std::vector<int> SidebarTest::litButtons() const {
    std::vector<int> lit;
    for (const int tag : {0, 1, 2, 3, 4, 6}) {
        if (buttons().button(tag)->isActive())
            lit.push_back(tag);
    }
    return lit;
}

std::vector<QString> SidebarTest::crumbTitles() const {
    std::vector<QString> titles;
    for (const SVBreadcrumbEntry& entry : breadcrumbs().breadcrumbEntries())
        titles.push_back(entry.title);
    return titles;
}

long long SidebarTest::matches() const {
    return controller->browser()->statusText().section(QLatin1Char(' '), 0, 0).toLongLong();
}

}  // namespace svapp_test
