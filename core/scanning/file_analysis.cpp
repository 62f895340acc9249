#include "core/scanning/file_analysis.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "core/inference/audio_structure_analyzer.h"
#include "core/inference/metadata_parser.h"

namespace sv {

Sample analyseFile(const AudioStructureAnalyzer& analyzer, const MetadataParser& parser,
                   const std::string& path, const std::filesystem::path& libraryRoot,
                   std::uint64_t size, std::int64_t modifiedAt) {
    const std::optional<AudioStructure> structure = analyzer.analyze(path);
    if (!structure) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            throw std::runtime_error("Scan incomplete; old entries preserved: " +
                                     std::error_code(errno, std::generic_category()).message());
    }
    return parser.parse(path, libraryRoot, structure, size, modifiedAt);
}

}  // namespace sv
