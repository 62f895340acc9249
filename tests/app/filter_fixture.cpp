#include "tests/app/filter_fixture.h"

#include <algorithm>
#include <fstream>

#include "app/filters/filter_bar.h"
#include "app/results/results_browser.h"
#include "core/records/sample_type.h"

namespace svapp_test {

void FilterTest::addCatalogue(const std::vector<FilterSample>& samples) {
    sv::Database db(sv::Database::defaultPath());
    const std::int64_t libraryId = db.addLibrary(libraryFolder.string());
    for (const FilterSample& row : samples) {
        sv::Sample sample;
        sample.path = (libraryFolder / row.path).string();
        sample.filename = std::filesystem::path(sample.path).filename().string();
        std::filesystem::create_directories(std::filesystem::path(sample.path).parent_path());
        std::ofstream(sample.path) << "x";
        sample.library = "Samples";
        sample.genre = row.genre;
        sample.instrument = row.instrument;
        sample.musicalKey = row.key;
        sample.type = sv::sampleTypeFromString(row.type);
        sample.autoDetectedType = sample.type;
        sample.bpm = row.bpm;
        sample.duration = 2.0;
        sample.fileSize = 1;
        sample.modifiedAt = 1'700'000'000;
        db.upsert(sample, libraryId);
        if (row.favorite)
            db.setFavorite(db.findByPath(sample.path)->id, true);
    }
}

void FilterTest::addFolderGenre(const std::string& folder, const std::string& genre) {
    sv::Database db(sv::Database::defaultPath());
    db.setFolderGenreOverride(folderPath(folder), genre, true);
}

std::string FilterTest::folderPath(const std::string& relative) const {
    return (libraryFolder / relative).string();
}

SVFilterBar* FilterTest::bar() const {
    return controller->filterBar();
}

SVResultsBrowser* FilterTest::browser() const {
    return controller->browser();
}

void FilterTest::refreshAfter(const std::function<void()>& action) {
    const std::uint64_t before = browser()->queryGeneration();
    action();
    ASSERT_TRUE(waitFor([&] {
        return browser()->queryGeneration() > before && !browser()->pageTransitionScheduled();
    }));
    QCoreApplication::processEvents();
}

std::vector<std::string> FilterTest::shownNames() const {
    std::vector<std::string> names;
    for (const sv::Sample& sample : browser()->rows())
        names.push_back(sample.filename);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace svapp_test
