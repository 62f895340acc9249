#include "core/inference/instrument_normalization.h"

#include <array>
#include <string_view>
#include <utility>

namespace sv {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kCanonical{{
    {"hihat", "HiHat"},
    {"hat", "HiHat"},
    {"hats", "HiHat"},
    {"percussion", "Percussion"},
    {"perc", "Percussion"},
    {"key", "Keys"},
    {"keys", "Keys"},
    {"keyboard", "Keys"},
    {"fx", "FX"},
    {"sfx", "FX"},
    {"vocal", "Vocal"},
    {"vocals", "Vocal"},
    {"cymbal", "Cymbal"},
    {"cymbals", "Cymbal"},
}};

bool isAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string reduced(const std::string& name) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAsciiLetter(c)) {
            out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        } else if (c >= '0' && c <= '9') {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace

std::string normalizedInstrument(std::string name) {
    const std::string key = reduced(name);
    for (const auto& [from, to] : kCanonical) {
        if (key == from)
            return std::string(to);
    }
    if (!name.empty()) {
        const auto first = static_cast<unsigned char>(name[0]);
        if (first >= 'a' && first <= 'z')
            name[0] = static_cast<char>(first - 'a' + 'A');
    }
    return name;
}

}  // namespace sv
