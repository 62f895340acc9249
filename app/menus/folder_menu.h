#pragma once

#include <QString>

#include <string>
#include <vector>

#include "app/menus/menu_actions.h"
#include "app/menus/menu_contexts.h"
#include "core/catalogue/database.h"

class QMenu;
class QWidget;

// One entry of "Mark Genres": ticked when any sample below the folder carries the genre
// (inferred or set on a folder). Choosing it removes the folder genres of that name when the
// folder has some, and otherwise adds it, so an inferred genre can still be set on the folder.
struct SVFolderGenreEntry {
    QString genre;
    bool ticked = false;
    bool removes = false;
};

// The menu of a folder of the outline: launch location, featured, reveal, and, for a folder
// with a path, the type, instrument and genre marks and the pack artwork.
class SVFolderMenu {
  public:
    static QMenu* build(const SVFolderMenuContext& context, const SVMenuActions& actions,
                        QWidget* parent);
    // The genre entries from the genres found below the folder (letter case ignored).
    static std::vector<SVFolderGenreEntry> genreEntries(const std::vector<sv::FolderGenre>& found);
};
