#include "audio/waveforms/waveform_key.h"

#include <sys/stat.h>

#include <cstring>

namespace sv {

QString waveformKey(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize) {
    return QStringLiteral("v2:%1:%2:%3")
        .arg(path)
        .arg(static_cast<qlonglong>(modifiedAt))
        .arg(static_cast<qulonglong>(fileSize));
}

std::uint64_t fnv1a64(const QByteArray& bytes) {
    constexpr std::uint64_t kOffsetBasis = 14695981039346656037ull;
    constexpr std::uint64_t kPrime = 1099511628211ull;
    std::uint64_t hash = kOffsetBasis;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= kPrime;
    }
    return hash;
}

QString waveformCacheFileName(const QString& key) {
    // "%016llx.plist", written by hand: formatting was a tenth of a cache hit's own work.
    static constexpr char kHexDigits[] = "0123456789abcdef";
    static constexpr char kExtension[] = ".plist";
    char name[16 + sizeof kExtension];
    std::uint64_t hash = fnv1a64(key.toUtf8());
    for (int i = 15; i >= 0; --i, hash >>= 4)
        name[i] = kHexDigits[hash & 0xF];
    std::memcpy(name + 16, kExtension, sizeof kExtension);
    return QString::fromLatin1(name, 16 + static_cast<qsizetype>(sizeof kExtension) - 1);
}

std::optional<FileStamp> readFileStamp(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    // Whole seconds truncated towards zero, as the catalogue stores them.
    const auto nanoseconds =
        static_cast<__int128>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return FileStamp{static_cast<std::int64_t>(nanoseconds / 1'000'000'000),
                     static_cast<std::uint64_t>(info.st_size)};
}

}  // namespace sv
