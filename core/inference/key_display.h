#pragma once

#include <optional>
#include <string>

#include "core/records/sample.h"

// Compact display form of a stored key text: 'A min' gives 'AMIN', 'A minor' gives 'Am',
// 'E major' gives 'E'. Empty for an empty key, "None", "Unknown" (any case) and for keys
// that leave nothing once their quality suffix is dropped.
std::optional<std::string> SVCompactKey(const std::string& key);

// SVCompactKey of the sample's key, or "--" when it has none.
std::string SVDisplayKey(const sv::Sample& sample);
