#pragma once

// Identifying one version of a file's waveform summary, and naming its cache file.

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace sv {

// "v2:" + path + ":" + modification time (Unix seconds) + ":" + size in bytes.
QString waveformKey(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize);

// 64-bit FNV-1a of the bytes: the same in every run and on every machine, unlike qHash, whose
// seed changes per process.
std::uint64_t fnv1a64(const QByteArray& bytes);

// "%016lx.plist" of the FNV-1a hash of the key's UTF-8 bytes.
QString waveformCacheFileName(const QString& key);

// Modification time in whole Unix seconds and size in bytes, read with stat.
struct FileStamp {
    std::int64_t modifiedAt = 0;
    std::uint64_t fileSize = 0;
};
std::optional<FileStamp> readFileStamp(const std::filesystem::path& path);

}  // namespace sv
