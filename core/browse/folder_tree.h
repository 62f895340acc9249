#pragma once

#include <string>
#include <vector>

#include "core/records/indexed_path.h"

namespace sv {

// One folder of the sidebar tree: a library root (named by its label) or a folder below it
// that holds indexed samples directly or further down.
struct FolderNode {
    std::string name;
    std::string path;  // empty for the synthetic roots
    std::vector<FolderNode> children;
};

// The tree of every library in the input. Empty input gives a node named "SAMPLE"; one
// library gives that library's tree; several give an unnamed node holding each library's
// tree in path order. Reads the file system only to resolve folders; never fails.
FolderNode buildFolderTree(const std::vector<IndexedPath>& paths);

// The tree of one library: its root named `label`, folders from the samples of that library.
FolderNode buildLibraryTree(const std::string& libraryPath, const std::vector<IndexedPath>& paths,
                            const std::string& label);

}  // namespace sv
