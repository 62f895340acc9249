#include "app/menus/folder_menu.h"

#include <QMenu>

#include <algorithm>
#include <exception>

#include "app/menus/location_actions.h"
#include "app/menus/mark_choices.h"
#include "app/menus/menu_entries.h"
#include "app/menus/organising_actions.h"

namespace {

// The catalogue compares genres ignoring the letter case of ASCII letters only.
bool sameGenre(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void addLaunchAndFeatured(QMenu* menu, const std::string& path, SVLocationActions& locations) {
    const SVLaunchLocationState launch = SVLaunchLocationState::read();
    SVMenuEntries::addTicked(menu, QStringLiteral("Open at Launch"), launch.isFolder(path),
                             &locations,
                             [&locations, path] { locations.setFolderOpenAtLaunch(path); });
    if (!path.empty()) {
        const QString folder = QString::fromStdString(path);
        SVMenuEntries::add(menu, QStringLiteral("Add to Featured"), &locations,
                           [&locations, folder] { locations.addFolderToFeatured(folder); });
    }
    if (!launch.kind.isEmpty())
        SVMenuEntries::add(menu, QStringLiteral("Clear Launch Location"), &locations,
                           [&locations] { locations.clearLaunchLocation(); });
}

void addTypeMarks(QMenu* menu, const std::string& path, SVOrganisingActions& organising) {
    QMenu* types = SVMenuEntries::addSubmenu(menu, QStringLiteral("Mark Folder As"));
    const std::pair<const char*, std::optional<sv::SampleType>> marks[] = {
        {"Loop", sv::SampleType::Loop},
        {"One Shot", sv::SampleType::OneShot},
        {"Use Auto Classification", std::nullopt}};
    for (const auto& [title, type] : marks) {
        const QVariant value = type ? QVariant(QString::fromUtf8(title)) : QVariant();
        SVMenuEntries::add(
            types, QString::fromUtf8(title), &organising,
            [&organising, path, type = type] { organising.applyFolderType(path, type); }, value);
    }
}

void addInstrumentMarks(QMenu* menu, const std::string& path, SVOrganisingActions& organising) {
    QMenu* instruments = SVMenuEntries::addSubmenu(menu, QStringLiteral("Mark Instrument"));
    for (const QString& name : SVMarkChoices::instruments()) {
        SVMenuEntries::add(
            instruments, name, &organising,
            [&organising, path, instrument = name.toStdString()] {
                organising.applyFolderInstrument(path, instrument);
            },
            name);
    }
    SVMenuEntries::add(instruments, QStringLiteral("Use Auto Detection"), &organising,
                       [&organising, path] { organising.applyFolderInstrument(path, {}); });
}

void addGenreMarks(QMenu* menu, const std::string& path, const SVMenuActions& actions) {
    QMenu* genres = SVMenuEntries::addSubmenu(menu, QStringLiteral("Mark Genres"));
    std::vector<sv::FolderGenre> found;
    try {
        found = actions.db.folderGenres(path);
    } catch (const std::exception&) {
        // Without the genres found no entry is ticked; choosing one adds it.
    }
    SVOrganisingActions& organising = actions.organising;
    for (const SVFolderGenreEntry& entry : SVFolderMenu::genreEntries(found)) {
        SVMenuEntries::addTicked(
            genres, entry.genre, entry.ticked, &organising,
            [&organising, path, genre = entry.genre.toStdString(), add = !entry.removes] {
                organising.applyFolderGenre(path, genre, add);
            },
            entry.genre);
    }
}

void addArtwork(QMenu* menu, const std::string& path, SVLocationActions& locations) {
    const QString folder = QString::fromStdString(path);
    menu->addSeparator();
    SVMenuEntries::add(menu, QStringLiteral("Set Pack Artwork…"), &locations,
                       [&locations, folder] { locations.setFolderArtwork(folder); });
    if (locations.hasFolderArtwork(folder))
        SVMenuEntries::add(menu, QStringLiteral("Remove Pack Artwork"), &locations,
                           [&locations, folder] { locations.removeFolderArtwork(folder); });
}

}  // namespace

std::vector<SVFolderGenreEntry> SVFolderMenu::genreEntries(
    const std::vector<sv::FolderGenre>& found) {
    std::vector<SVFolderGenreEntry> entries;
    for (const QString& genre : SVMarkChoices::genres()) {
        SVFolderGenreEntry entry{genre, false, false};
        const std::string wanted = genre.toStdString();
        for (const sv::FolderGenre& carried : found) {
            if (!sameGenre(carried.genre, wanted))
                continue;
            entry.ticked = true;
            entry.removes = entry.removes || carried.folderSet;
        }
        entries.push_back(entry);
    }
    return entries;
}

QMenu* SVFolderMenu::build(const SVFolderMenuContext& context, const SVMenuActions& actions,
                           QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(QStringLiteral("Folder actions"));
    const std::string& path = context.path;
    addLaunchAndFeatured(menu, path, actions.locations);
    menu->addSeparator();
    SVLocationActions& locations = actions.locations;
    const QString folder = QString::fromStdString(path);
    SVMenuEntries::add(menu, QStringLiteral("Show in File Manager"), &locations,
                       [&locations, folder] { locations.showFolderInFileManager(folder); });
    menu->addSeparator();
    if (path.empty())
        return menu;
    addTypeMarks(menu, path, actions.organising);
    addInstrumentMarks(menu, path, actions.organising);
    addGenreMarks(menu, path, actions);
    addArtwork(menu, path, actions.locations);
    return menu;
}
