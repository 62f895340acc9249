#include "core/inference/riff_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

namespace sv {
namespace {

// Closes the descriptor it owns.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

std::uint16_t little16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t little32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Reads exactly `count` bytes at `offset`; false on an error or an early end of file.
bool readFully(int fd, unsigned char* into, std::size_t count, std::uint64_t offset) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, into, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        count -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

// A chunk walk over an open file that knows its size, so that no claimed chunk size is
// trusted beyond the bytes actually left in the file. The headers come from one read of the
// file's start; a large body is read straight into its destination, and skips cost nothing.
class ChunkWalker {
  public:
    ChunkWalker(int fd, std::uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

    bool read(void* into, std::size_t count) {
        if (count > remaining())
            return false;
        auto* out = static_cast<unsigned char*>(into);
        const std::size_t buffered = copyBuffered(out, count);
        out += buffered;
        count -= buffered;
        position_ += buffered;
        if (count == 0)
            return true;
        if (count < sizeof buffer_) {
            if (!refill())
                return false;
            std::memcpy(out, buffer_, count);
        } else if (!readFully(fd_, out, count, position_)) {
            return false;
        }
        position_ += count;
        return true;
    }

    // False when the skip would leave the file: nothing more can be read after it.
    bool skip(std::uint64_t count) {
        if (count > remaining())
            return false;
        position_ += count;
        return true;
    }

    std::uint64_t remaining() const { return position_ < fileSize_ ? fileSize_ - position_ : 0; }

  private:
    std::size_t copyBuffered(unsigned char* out, std::size_t count) const {
        if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferSize_)
            return 0;
        const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(count, bufferSize_ - offset);
        std::memcpy(out, buffer_ + offset, n);
        return n;
    }

    bool refill() {
        bufferStart_ = position_;
        bufferSize_ =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer_, remaining()));
        if (readFully(fd_, buffer_, bufferSize_, bufferStart_))
            return true;
        bufferSize_ = 0;
        return false;
    }

    int fd_;
    std::uint64_t fileSize_;
    std::uint64_t position_ = 0;
    std::uint64_t bufferStart_ = 0;
    std::size_t bufferSize_ = 0;
    unsigned char buffer_[4096];
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

std::optional<WavContents> walkChunks(int fd, std::uint64_t fileSize) {
    ChunkWalker walker(fd, fileSize);
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
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    struct stat status {};
    if (fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return std::nullopt;
    try {
        return walkChunks(file.get(), static_cast<std::uint64_t>(status.st_size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sv
