#pragma once

#include <array>

namespace sv {

// Migration texts in order: kMigrations[i] brings a catalogue from version i to i + 1.
// Each text opens its own transaction and commits its version number.
extern const std::array<const char*, 5> kMigrations;

inline constexpr int kCurrentSchemaVersion = 5;

}  // namespace sv
