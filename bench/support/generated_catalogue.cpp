#include "bench/support/generated_catalogue.h"

#include <utility>
#include <vector>

namespace sv::bench {

namespace {

constexpr std::size_t kBatch = 5000;

}  // namespace

sv::Sample generatedSample(const std::filesystem::path& folder, const std::string& filename,
                           const std::string& library, sv::SampleType type) {
    sv::Sample sample;
    sample.filename = filename;
    sample.path = (folder / filename).string();
    sample.library = library;
    sample.musicalKey = "A min";
    sample.type = type;
    sample.autoDetectedType = type;
    sample.duration = 1.0;
    sample.fileSize = 1000;
    sample.modifiedAt = 1'700'000'000;
    return sample;
}

void storeGeneratedSamples(sv::Database& db, std::int64_t libraryId, int count,
                           const std::function<sv::Sample(int)>& make) {
    std::vector<sv::Sample> batch;
    batch.reserve(kBatch);
    for (int i = 0; i < count; ++i) {
        batch.push_back(make(i));
        if (batch.size() == kBatch) {
            db.upsert(batch, libraryId);
            batch.clear();
        }
    }
    if (!batch.empty())
        db.upsert(batch, libraryId);
}

}  // namespace sv::bench
