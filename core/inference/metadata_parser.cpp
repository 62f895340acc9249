#include "core/inference/metadata_parser.h"

#include <chrono>
#include <system_error>

#include "core/inference/canonical_path_cache.h"
#include "core/inference/file_size_and_time.h"
#include "core/inference/instrument_parser.h"
#include "core/inference/key_parser.h"
#include "core/inference/name_folding.h"
#include "core/inference/tempo_parser.h"

namespace sv {
namespace {

constexpr std::string_view kNoKey = "None";

// The pieces of a file's path that the inferences read.
struct PathPieces {
    std::filesystem::path folder;
    std::string folderText;
    std::string fileName;
    std::string stem;
    std::string folderName;
};

PathPieces piecesOf(const std::filesystem::path& path) {
    PathPieces pieces;
    pieces.folder = path.parent_path();
    pieces.folderText = pieces.folder.string();
    pieces.fileName = path.filename().string();
    pieces.stem = path.stem().string();
    pieces.folderName = pieces.folder.filename().string();
    return pieces;
}

// A root given with a trailing separator still names its folder.
std::string libraryName(const std::filesystem::path& root) {
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return std::filesystem::path(text).filename().string();
}

// Roots and folders repeat from file to file; a second is far longer than a scan spends in
// one folder and far shorter than anyone takes to rearrange their folders.
std::optional<std::filesystem::path> resolvedPath(const std::filesystem::path& path) {
    static CanonicalPathCache cache(std::chrono::seconds(1), 4096);
    return cache.resolve(path);
}

// The folder relative to the root, both made canonical as far as they exist; the folder's
// own name when that fails. When both exist this is the same as std::filesystem::relative,
// which walks every component with its own status queries and costs several times more.
std::string relativeFolder(const PathPieces& pieces, const std::filesystem::path& root) {
    const auto folder = resolvedPath(pieces.folder);
    const auto base = folder ? resolvedPath(root) : std::nullopt;
    if (folder && base)
        return folder->lexically_relative(*base).string();
    std::error_code error;
    const std::filesystem::path relative = std::filesystem::relative(pieces.folder, root, error);
    if (error)
        return pieces.folderName;
    return relative.string();
}

std::string keyFromFolded(std::string_view foldedStem, std::string_view foldedFolderName) {
    std::string key = keyFromFoldedName(foldedStem);
    if (key != kNoKey)
        return key;
    if (const auto match = folderKeyMatch(foldedFolderName))
        return keyFromFoldedName(foldedName(*match));
    return key;
}

std::string joined(std::string_view first, std::string_view second) {
    std::string text;
    text.reserve(first.size() + 1 + second.size());
    text.append(first);
    text.push_back(' ');
    text.append(second);
    return text;
}

}  // namespace

std::optional<std::int32_t> MetadataParser::parseBpm(std::string_view name) const {
    return tempoFromFoldedName(foldedName(name));
}

std::string MetadataParser::parseKey(std::string_view name) const {
    return keyFromFoldedName(foldedName(name));
}

std::string MetadataParser::parseInstrument(std::string_view text) const {
    return instrumentFromFoldedText(foldedName(text));
}

TypeClassification MetadataParser::classifyDetailed(
    const std::filesystem::path& path, std::string_view context, std::optional<std::int32_t> bpm,
    const std::optional<AudioStructure>& structure) const {
    const std::string fileName = path.filename().string();
    return classifyFolded(fileNameExtension(fileName), foldedName(context), bpm, structure);
}

Sample MetadataParser::parse(const std::filesystem::path& path,
                             const std::filesystem::path& libraryRoot,
                             const std::optional<AudioStructure>& structure) const {
    const FileSizeAndTime facts = readFileSizeAndTime(path);
    return parse(path, libraryRoot, structure, facts.size, facts.modifiedAt);
}

Sample MetadataParser::parse(const std::filesystem::path& path,
                             const std::filesystem::path& libraryRoot,
                             const std::optional<AudioStructure>& structure, std::uint64_t fileSize,
                             std::int64_t modifiedAt) const {
    const PathPieces pieces = piecesOf(path);
    Sample sample;
    sample.path = path.string();
    sample.filename = pieces.fileName;
    sample.library = libraryName(libraryRoot);

    const std::string stem = foldedName(pieces.stem);
    const std::string folderName = foldedName(pieces.folderName);

    sample.bpm = tempoFromFoldedName(stem);
    if (!sample.bpm)
        sample.bpm = tempoFromFoldedName(folderName);
    sample.musicalKey = keyFromFolded(stem, folderName);
    sample.instrument = instrumentFromFoldedText(joined(stem, folderName));

    std::string context = foldedName(relativeFolder(pieces, libraryRoot));
    context.push_back(' ');
    context.append(stem);
    sample.type =
        classifyFolded(fileNameExtension(pieces.fileName), context, sample.bpm, structure).type;

    if (structure)
        sample.duration = structure->duration;
    sample.fileSize = fileSize;
    sample.modifiedAt = modifiedAt;

    sample.tags = genresFromFoldedPath(foldedName(pieces.folderText));
    if (!sample.tags.empty())
        sample.genre = sample.tags.front();
    return sample;
}

}  // namespace sv
