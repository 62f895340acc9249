#include "app/featured/featured_relink.h"

#include <QString>
#include <QVariantMap>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace SVFeaturedRelink {

namespace {

namespace fs = std::filesystem;

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The folder that held the moved file at the same depth below it, or nothing when the old
// path is not inside `folder`.
std::optional<fs::path> candidateFor(const fs::path& folder, const std::string& oldPath,
                                     const std::string& newPath) {
    const fs::path relative = fs::path(oldPath).lexically_relative(folder);
    if (relative.empty() || relative == ".")
        return std::nullopt;
    // Outside the folder only when the first component is exactly "..": a folder named
    // "..drums" is inside.
    if (*relative.begin() == "..")
        return std::nullopt;
    fs::path candidate = fs::path(newPath).lexically_normal();
    for ([[maybe_unused]] const auto& component : relative) {
        if (!candidate.has_relative_path())
            return std::nullopt;
        candidate = candidate.parent_path();
    }
    return candidate;
}

}  // namespace

bool relinkFeaturedItemsFromMoves(QVariantList& entries,
                                  const std::vector<std::pair<std::string, std::string>>& moves) {
    if (moves.empty())
        return false;
    bool changed = false;
    for (QVariant& item : entries) {
        QVariantMap entry = item.toMap();
        if (entry.value(QStringLiteral("kind")).toString() != QLatin1String("folder"))
            continue;
        QString value = entry.value(QStringLiteral("value")).toString();
        while (value.size() > 1 && value.endsWith(QLatin1Char('/')))
            value.chop(1);
        if (value.isEmpty())
            continue;
        const fs::path folder = fs::path(value.toStdString()).lexically_normal();
        if (isDirectory(folder))
            continue;
        std::vector<fs::path> candidates;
        for (const auto& [oldPath, newPath] : moves) {
            const std::optional<fs::path> candidate = candidateFor(folder, oldPath, newPath);
            if (!candidate || !isDirectory(*candidate))
                continue;
            if (std::find(candidates.begin(), candidates.end(), *candidate) == candidates.end())
                candidates.push_back(*candidate);
            if (candidates.size() > 1)
                break;
        }
        if (candidates.size() != 1)
            continue;
        entry.insert(QStringLiteral("value"), QString::fromStdString(candidates.front().string()));
        item = entry;
        changed = true;
    }
    return changed;
}

}  // namespace SVFeaturedRelink
