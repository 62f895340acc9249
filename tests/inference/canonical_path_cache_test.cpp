#include "core/inference/canonical_path_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(CanonicalPathCache, RemembersALinkOnlyForItsLifetime) {
    const sv::testing::TempHome home;
    fs::create_directories(home.root() / "A");
    fs::create_directories(home.root() / "B");
    const fs::path link = home.root() / "Link";
    fs::create_directory_symlink(home.root() / "A", link);
    const fs::path canonicalRoot = fs::canonical(home.root());

    sv::CanonicalPathCache remembering(1h, 16);
    sv::CanonicalPathCache expiring(0s, 16);
    EXPECT_EQ(remembering.resolve(link), canonicalRoot / "A");
    EXPECT_EQ(expiring.resolve(link), canonicalRoot / "A");

    fs::remove(link);
    fs::create_directory_symlink(home.root() / "B", link);
    EXPECT_EQ(remembering.resolve(link), canonicalRoot / "A");
    EXPECT_EQ(expiring.resolve(link), canonicalRoot / "B");
}

TEST(CanonicalPathCache, UnresolvablePathsAreAskedAgainAndFullCachesStartOver) {
    const sv::testing::TempHome home;
    const fs::path later = home.root() / "Later";
    sv::CanonicalPathCache cache(1h, 2);
    EXPECT_EQ(cache.resolve(later), std::nullopt);
    fs::create_directories(later);
    EXPECT_EQ(cache.resolve(later), fs::canonical(later));

    for (const char* name : {"One", "Two", "Three"}) {
        fs::create_directories(home.root() / name);
        EXPECT_EQ(cache.resolve(home.root() / name), fs::canonical(home.root() / name));
    }
}

}  // namespace
