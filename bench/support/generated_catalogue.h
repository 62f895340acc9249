#pragma once

// Rows of the catalogues the window benchmarks generate: the fields every one fills alike, and
// storing many of them as a scan commits them.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "core/catalogue/database.h"

namespace sv::bench {

// A row for `filename` in `folder` of the library named `library`: a loop in A minor, one
// second long, 1,000 bytes, all modified at the same moment. Callers set instrument, genre and
// tempo, and change whatever else their catalogue needs.
sv::Sample generatedSample(const std::filesystem::path& folder, const std::string& filename,
                           const std::string& library, sv::SampleType type = sv::SampleType::Loop);

// Stores `count` rows in the library `libraryId`, the i-th made by `make(i)`, in transactions
// of 5,000 rows.
void storeGeneratedSamples(sv::Database& db, std::int64_t libraryId, int count,
                           const std::function<sv::Sample(int)>& make);

}  // namespace sv::bench
