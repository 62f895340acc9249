#include "app/sidebar/folder_paths.h"

#include <QDir>

#include <string_view>

namespace SVFolderPaths {

namespace {

// Whether the text could change when standardised: a doubled separator, a "." or ".." step,
// or a trailing separator. Most catalogue paths are clean and skip the conversion.
bool mayNeedCleaning(const std::string& path) {
    if (path.size() > 1 && path.back() == '/')
        return true;
    std::size_t start = path.starts_with('/') ? 1 : 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        if (part.empty() || part == "." || part == "..")
            return true;
        start = end + 1;
    }
    return false;
}

bool matches(const sv::FolderNode& node, const std::string& wanted) {
    if (node.path.empty())
        return false;
    return node.path == wanted ||
           (mayNeedCleaning(node.path) && standardizedPath(node.path) == wanted);
}

// Whether the wanted path may lie in this node's subtree: the node's path is a leading part
// of it. The synthetic roots (no path) hold everything.
bool mayHold(const sv::FolderNode& node, const std::string& wanted) {
    if (node.path.empty())
        return true;
    const std::string own = mayNeedCleaning(node.path) ? standardizedPath(node.path) : node.path;
    return wanted == own || isBelow(wanted, own);
}

bool findStandardized(const std::string& wanted, const sv::FolderNode& item,
                      std::vector<const sv::FolderNode*>& chain) {
    chain.push_back(&item);
    if (matches(item, wanted))
        return true;
    if (mayHold(item, wanted)) {
        for (const sv::FolderNode& child : item.children) {
            if (findStandardized(wanted, child, chain))
                return true;
        }
    }
    chain.pop_back();
    return false;
}

}  // namespace

QString standardizedPath(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(path);
}

std::string standardizedPath(const std::string& path) {
    if (path.empty() || !mayNeedCleaning(path))
        return path;
    return standardizedPath(QString::fromStdString(path)).toStdString();
}

std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool isBelow(const std::string& path, const std::string& folder) {
    const std::string p = standardizedPath(path);
    const std::string f = standardizedPath(folder);
    if (f.empty() || p.size() <= f.size())
        return false;
    if (f == "/")
        return p.front() == '/';
    return p.compare(0, f.size(), f) == 0 && p[f.size()] == '/';
}

bool isSameOrBelow(const std::string& path, const std::string& folder) {
    return standardizedPath(path) == standardizedPath(folder) || isBelow(path, folder);
}

bool findFolderPath(const std::string& path, const sv::FolderNode& item,
                    std::vector<const sv::FolderNode*>& chain) {
    if (path.empty())
        return false;
    return findStandardized(standardizedPath(path), item, chain);
}

}  // namespace SVFolderPaths
