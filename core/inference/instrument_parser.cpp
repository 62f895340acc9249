#include "core/inference/instrument_parser.h"

#include <array>
#include <utility>

namespace sv {
namespace {

// Searched in this order; the first keyword found anywhere in the padded text wins.
constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kInstruments{{
    {"open hat", "Open Hat"}, {"hi hat", "HiHat"},  {"hihat", "HiHat"}, {"808", "808"},
    {"kick", "Kick"},         {"snare", "Snare"},   {"clap", "Clap"},   {"perc", "Percussion"},
    {"bass", "Bass"},         {"guitar", "Guitar"}, {"piano", "Piano"}, {"keys", "Keys"},
    {"synth", "Synth"},       {"pad", "Pad"},       {"pluck", "Pluck"}, {"bell", "Bell"},
    {"strings", "Strings"},   {"brass", "Brass"},   {"flute", "Flute"}, {"vocal", "Vocal"},
    {" fx ", "FX"},
}};

// Every word found is a genre, in this order.
constexpr std::array<std::string_view, 9> kGenres{
    "trap", "hip hop", "house", "rnb", "pop", "cinematic", "acoustic", "soul", "latin",
};

bool contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

// Whether " " + text + " " contains word, without building the padded copy.
bool containsInPadded(std::string_view text, std::string_view word) {
    if (contains(text, word))
        return true;
    const bool leading = word.starts_with(' ');
    const bool trailing = word.ends_with(' ');
    if (leading && trailing && word.size() >= 2 && text == word.substr(1, word.size() - 2))
        return true;
    if (leading && text.starts_with(word.substr(1)))
        return true;
    return trailing && text.ends_with(word.substr(0, word.size() - 1));
}

}  // namespace

std::string instrumentFromFoldedText(std::string_view folded) {
    for (const auto& [keyword, label] : kInstruments) {
        if (containsInPadded(folded, keyword))
            return std::string(label);
    }
    return {};
}

std::vector<std::string> genresFromFoldedPath(std::string_view foldedPath) {
    std::vector<std::string> genres;
    for (const std::string_view genre : kGenres) {
        if (contains(foldedPath, genre))
            genres.emplace_back(genre);
    }
    return genres;
}

}  // namespace sv
