#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/records/library.h"
#include "core/scanning/mount_table.h"

namespace sv {

class Database;

// Why a library folder cannot be used right now.
enum class FolderProblem {
    None,
    Missing,      // missing, not a folder, or its status cannot be read
    NotMounted,   // below /media, /run/media or /mnt with no drive mounted there
    EmptyFolder,  // an empty folder while the catalogue still holds samples of the library
};

// Checks a library folder the way the launch check and the scanner do. `holdsRecords` tells
// whether the catalogue has samples of this library (asked only for an empty folder): an
// unplugged drive often leaves its mount point behind as an empty folder, and that must not
// read as an emptied library.
FolderProblem libraryFolderProblem(const std::filesystem::path& folder,
                                   const std::function<bool()>& holdsRecords,
                                   const MountTable& mounts);

// True when a folder exists, is a directory, and has no entries at all.
bool isEmptyFolder(const std::filesystem::path& folder);

struct LibraryState {
    Library library;
    bool available = false;
};

// Whether the states carry each library's sample count. Counting reads an entry per sample;
// without it, a library's samples are looked for only when its folder is empty.
enum class LibraryCounts { Read, Skipped };

// The launch check: marks every library of the catalogue available or offline by testing its
// folder, in list order, and returns what it decided. Nothing is scanned; no sample changes.
std::vector<LibraryState> checkLibraryAvailability(Database& db,
                                                   const MountTable& mounts = MountTable::read(),
                                                   LibraryCounts counts = LibraryCounts::Read);

}  // namespace sv
