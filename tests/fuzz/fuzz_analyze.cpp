// Feeds arbitrary bytes to the audio structure analysis through a temporary file.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/inference/audio_structure_analyzer.h"

namespace {

// One temporary file per process, rewritten for every input and removed at exit.
class ScratchFile {
  public:
    ScratchFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sv-fuzz-analyze-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        close(fd);
        path_ = pattern;
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file)
            std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size)
            std::abort();
        std::fclose(file);
        return path_;
    }

  private:
    std::filesystem::path path_;
};

void checkResult(const sv::AudioStructure& structure) {
    const bool sound = std::isfinite(structure.duration) && structure.duration > 0.0 &&
                       std::isfinite(structure.onsetSpan) && structure.onsetSpan >= 0.0 &&
                       structure.firstGapRatio >= 0.0 && structure.firstGapRatio <= 1.0 &&
                       structure.onsetCount == static_cast<int>(structure.onsetTimes.size());
    if (!sound)
        std::abort();
    for (std::size_t i = 1; i < structure.onsetTimes.size(); ++i)
        if (!(structure.onsetTimes[i] > structure.onsetTimes[i - 1]))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const auto result = sv::AudioStructureAnalyzer().analyze(scratch.write(data, size));
    if (result)
        checkResult(*result);
    return 0;
}
