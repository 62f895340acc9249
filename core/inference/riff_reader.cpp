#include "core/inference/riff_reader.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

namespace sv {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::uint16_t little16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t little32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A chunk walk over an open file that knows its size, so that no claimed chunk size is
// trusted beyond the bytes actually left in the file.
class ChunkWalker {
  public:
    ChunkWalker(std::FILE* file, std::uint64_t fileSize) : file_(file), fileSize_(fileSize) {}

    bool read(void* into, std::size_t count) {
        if (count > remaining() || std::fread(into, 1, count, file_) != count)
            return false;
        position_ += count;
        return true;
    }

    // False when the skip would leave the file: nothing more can be read after it.
    bool skip(std::uint64_t count) {
        if (count > remaining())
            return false;
        if (count == 0)
            return true;
        if (fseeko(file_, static_cast<off_t>(position_ + count), SEEK_SET) != 0)
            return false;
        position_ += count;
        return true;
    }

    std::uint64_t remaining() const { return position_ < fileSize_ ? fileSize_ - position_ : 0; }

  private:
    std::FILE* file_;
    std::uint64_t fileSize_;
    std::uint64_t position_ = 0;
};

enum class ChunkOutcome { Continue, Stop, Reject };

ChunkOutcome readFormatChunk(ChunkWalker& walker, std::uint32_t size, WavFormat& format) {
    constexpr std::uint32_t usedBytes = 16;
    unsigned char body[usedBytes];
    if (size < usedBytes || size > walker.remaining() || !walker.read(body, usedBytes))
        return ChunkOutcome::Reject;
    if (!walker.skip(size - usedBytes))
        return ChunkOutcome::Reject;
    format.formatCode = little16(body);
    format.channels = little16(body + 2);
    format.sampleRate = little32(body + 4);
    format.bitsPerSample = little16(body + 14);
    return ChunkOutcome::Continue;
}

ChunkOutcome readDataChunk(ChunkWalker& walker, std::uint32_t size, WavData& data) {
    // A claim beyond the end of the file is a truncated file; checking first keeps the
    // buffer bounded by what the file really holds.
    if (size > walker.remaining())
        return ChunkOutcome::Reject;
    data.bytes.reset();
    data.size = 0;
    if (size > 0) {
        data.bytes = std::make_unique_for_overwrite<unsigned char[]>(size);
        if (!walker.read(data.bytes.get(), size))
            return ChunkOutcome::Reject;
        data.size = size;
    }
    return ChunkOutcome::Continue;
}

ChunkOutcome readOneChunk(ChunkWalker& walker, WavContents& contents) {
    unsigned char header[8];
    if (!walker.read(header, sizeof header))
        return ChunkOutcome::Stop;
    const std::uint32_t size = little32(header + 4);
    ChunkOutcome outcome = ChunkOutcome::Continue;
    if (std::memcmp(header, "data", 4) == 0)
        outcome = readDataChunk(walker, size, contents.data);
    else if (std::memcmp(header, "fmt ", 4) == 0)
        outcome = readFormatChunk(walker, size, contents.format);
    else if (!walker.skip(size))
        outcome = ChunkOutcome::Stop;
    if (outcome != ChunkOutcome::Continue)
        return outcome;
    if (size % 2 == 1 && !walker.skip(1))
        return ChunkOutcome::Stop;
    return ChunkOutcome::Continue;
}

std::optional<WavContents> walkChunks(std::FILE* file, std::uint64_t fileSize) {
    ChunkWalker walker(file, fileSize);
    unsigned char riffHeader[12];
    if (!walker.read(riffHeader, sizeof riffHeader) || std::memcmp(riffHeader, "RIFF", 4) != 0 ||
        std::memcmp(riffHeader + 8, "WAVE", 4) != 0)
        return std::nullopt;

    WavContents contents;
    while (contents.data.size == 0 || contents.format.formatCode == 0) {
        const ChunkOutcome outcome = readOneChunk(walker, contents);
        if (outcome == ChunkOutcome::Reject)
            return std::nullopt;
        if (outcome == ChunkOutcome::Stop)
            break;
    }
    return contents;
}

}  // namespace

std::optional<WavContents> readWavChunks(const std::filesystem::path& path) {
    // Only regular files: opening a FIFO would block, and a device has no end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    struct stat status {};
    if (fstat(fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return std::nullopt;
    try {
        return walkChunks(file.get(), static_cast<std::uint64_t>(status.st_size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sv
