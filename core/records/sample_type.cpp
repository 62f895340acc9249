#include "core/records/sample_type.h"

namespace sv {

std::string toString(SampleType type) {
    switch (type) {
        case SampleType::Loop:
            return "Loop";
        case SampleType::OneShot:
            return "One Shot";
        case SampleType::Midi:
            return "MIDI";
        case SampleType::Unknown:
            break;
    }
    return "Unknown";
}

SampleType sampleTypeFromString(const std::string& text) {
    if (text == "Loop")
        return SampleType::Loop;
    if (text == "One Shot")
        return SampleType::OneShot;
    if (text == "MIDI")
        return SampleType::Midi;
    return SampleType::Unknown;
}

}  // namespace sv
