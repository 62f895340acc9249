#include <gtest/gtest.h>

#include "app/results/result_count_cache.h"
#include "core/catalogue/database.h"
#include "tests/support/temp_home.h"

namespace {

sv::Sample sampleAt(const std::string& folder, int i) {
    sv::Sample sample;
    sample.filename = "Kick ";
    sample.filename += std::to_string(i);
    sample.filename += ".wav";
    sample.path = folder + "/" + sample.filename;
    sample.library = "Lib";
    sample.type = sv::SampleType::OneShot;
    sample.autoDetectedType = sample.type;
    return sample;
}

// Counts are reused only while neither this connection nor another one changed the catalogue.
TEST(ResultCountCache, FollowsWritesOfEveryConnection) {
    sv::testing::TempHome home;
    const auto file = home.root() / "catalogue.db";
    sv::Database browserSide(file);
    sv::Database scannerSide(file);
    const std::string folder = (home.root() / "Lib").string();
    const std::int64_t library = scannerSide.addLibrary(folder);
    for (int i = 0; i < 3; ++i)
        scannerSide.upsert(sampleAt(folder, i), library);

    SVResultCountCache counts;
    sv::SearchQuery all;
    all.limit = 50;
    EXPECT_EQ(counts.countMatching(browserSide, all), 3);
    EXPECT_TRUE(counts.holdsSamples(browserSide));
    sv::SearchQuery nextPage = all;
    nextPage.offset = 50;
    EXPECT_EQ(counts.countMatching(browserSide, nextPage), 3);

    scannerSide.upsert(sampleAt(folder, 3), library);
    EXPECT_EQ(counts.countMatching(browserSide, all), 4);
    EXPECT_TRUE(counts.holdsSamples(browserSide));

    sv::SearchQuery favorites = all;
    favorites.favoritesOnly = true;
    EXPECT_EQ(counts.countMatching(browserSide, favorites), 0);
    browserSide.setFavorite(browserSide.search(all).front().id, true);
    EXPECT_EQ(counts.countMatching(browserSide, favorites), 1);
    sv::SearchQuery kick3 = all;
    kick3.text.assign(1, '3');
    EXPECT_EQ(counts.countMatching(browserSide, kick3), browserSide.countMatching(kick3));
}

}  // namespace
