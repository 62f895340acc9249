#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/inference/riff_reader.h"

namespace sv {

// The sample layouts the structure analysis decodes.
enum class SampleEncoding { UInt8, Int16, Int24, Int32, Float32 };

// Integer PCM with 8, 16, 24 or 32 bits, or 32-bit float; absent for every other format
// (extensible headers included).
std::optional<SampleEncoding> sampleEncodingOf(const WavFormat& format);

// Bytes per sample of one channel.
std::size_t bytesPerSample(SampleEncoding encoding);

// Peak magnitude (0..1 for integer PCM) of each run of `hop` frames over all channels of the
// interleaved `data` of `frames` frames; the last window may be shorter. Non-finite float
// samples count as 0.
std::vector<float> peakEnvelope(SampleEncoding encoding, std::size_t channels,
                                const unsigned char* data, std::size_t frames, std::size_t hop);

}  // namespace sv
