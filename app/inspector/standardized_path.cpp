#include "app/inspector/standardized_path.h"

#include <QDir>

namespace SVPaths {

namespace {

// Already standard: no empty, "." or ".." component and no trailing separator. Catalogue paths
// nearly always are, and are then returned without building a new string.
bool isStandard(const std::string& path) {
    if (path.size() > 1 && path.back() == '/')
        return false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '/' || i + 1 >= path.size())
            continue;
        const char next = path[i + 1];
        if (next == '/')
            return false;
        if (next == '.') {
            const std::size_t end = path.find('/', i + 1);
            const std::size_t length = (end == std::string::npos ? path.size() : end) - (i + 1);
            if (length == 1 || (length == 2 && path[i + 2] == '.'))
                return false;
        }
    }
    return true;
}

}  // namespace

QString standardizedPath(const QString& path) {
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(path);
}

std::string standardizedPath(const std::string& path) {
    if (isStandard(path))
        return path;
    return standardizedPath(QString::fromStdString(path)).toStdString();
}

QString parentFolder(const QString& path) {
    const QString standard = standardizedPath(path);
    const qsizetype slash = standard.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return standard.left(slash);
}

bool contains(const std::string& folder, const std::string& path) {
    if (folder.empty())
        return false;
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

}  // namespace SVPaths
