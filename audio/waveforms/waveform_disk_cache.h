#pragma once

// Waveform summaries kept as files: one XML property list per key, whose root is an array of
// the 192 values as reals, in the "Waveforms" folder beside the catalogue.

#include <QByteArray>
#include <QString>

#include <optional>

#include "audio/waveforms/waveform_summary.h"

namespace sv {

// <data folder>/Orvane Producer/SampleVorlan/Waveforms, read from the environment on every call.
QString waveformCacheFolder();

// The cache file of a key inside waveformCacheFolder().
QString waveformCacheFilePath(const QString& key);

// The property-list text of a summary.
QByteArray waveformPropertyListBytes(const WaveformPeaks& peaks);

// The summary held by property-list text: empty unless the root is an array of exactly 192
// numbers, each finite and within 0..1.
std::optional<WaveformPeaks> parseWaveformPropertyList(const QByteArray& bytes);

// Reads a cache file; empty when it is missing, unreadable or not a valid summary.
std::optional<WaveformPeaks> readWaveformCacheFile(const QString& filePath);

// Writes a cache file atomically (a temporary file renamed into place), creating the folder.
// Returns false when it could not be written.
bool writeWaveformCacheFile(const QString& filePath, const WaveformPeaks& peaks);

}  // namespace sv
