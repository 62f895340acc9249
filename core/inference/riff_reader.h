#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace sv {

// The four "fmt " fields the analysis uses; byte rate and block align are ignored.
struct WavFormat {
    std::uint16_t formatCode = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
};

// The body of the "data" chunk, read in one piece.
struct WavData {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

struct WavContents {
    WavFormat format;
    WavData data;
};

// Walks the RIFF/WAVE chunks of a regular file in file order, skipping unknown chunks and pad
// bytes, until both a non-empty "data" body and a non-zero format code are known. Absent when
// the file cannot be opened, is not RIFF/WAVE, or holds a "fmt " body shorter than 16 bytes or
// a "fmt " or "data" chunk that claims more bytes than the file still holds. A missing chunk is
// not an error here: the returned format or data is then left empty. Never throws.
std::optional<WavContents> readWavChunks(const std::filesystem::path& path);

}  // namespace sv
