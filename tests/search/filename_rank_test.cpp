#include <gtest/gtest.h>

#include <sqlite3.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/search/search_tokens.h"
#include "tests/support/temp_home.h"

namespace sv {
namespace {

using Tokens = std::vector<std::string>;

TEST(SearchTokens, SplitsOnEverythingButLettersDigitsHashAndNonAscii) {
    EXPECT_EQ(searchTokens("Dark_Keys-92 BPM.Am"), (Tokens{"dark", "keys", "92", "bpm", "am"}));
    EXPECT_EQ(searchTokens("F# C#m"), (Tokens{"f#", "c#m"}));
    EXPECT_EQ(searchTokens("  ..__--  "), Tokens{});
    EXPECT_EQ(searchTokens(""), Tokens{});
    EXPECT_EQ(searchTokens("Été Kick"), (Tokens{"\xc3\x89t\xc3\xa9", "kick"}));
    EXPECT_EQ(searchTokens("a a a"), (Tokens{"a", "a", "a"}));
}

struct RankCase {
    const char* filename;
    const char* text;
    std::int32_t rank;
};

void PrintTo(const RankCase& c, std::ostream* out) {
    *out << '"' << c.filename << "\" for \"" << c.text << '"';
}

class FilenameRank : public ::testing::TestWithParam<RankCase> {};

TEST_P(FilenameRank, FallsInItsBand) {
    const auto& c = GetParam();
    EXPECT_EQ(filenameSearchRank(c.filename, c.text), c.rank) << c.filename << " / " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Bands, FilenameRank,
    ::testing::Values(
        RankCase{"Kick.wav", "kick", 0}, RankCase{"Kick_01.wav", "kick", 100001},
        RankCase{"Big Kick Hard.wav", "kick", 100002},
        RankCase{"Hard Kick.wav", "kick hard", 300000},
        RankCase{"Kick Very Hard.wav", "kick hard", 200001},
        RankCase{"Kick.wav", "kick hard", kNoSearchMatch}, RankCase{"Kick.wav", "kic", 400000},
        RankCase{"Kicks Loop.wav", "kic", 400001}, RankCase{"Kick 808.wav", "808 kick", 300000},
        RankCase{"808 Kick.wav", "808 kick", 0}, RankCase{"kick.take2.wav", "kick take2", 0},
        RankCase{".wav", "wav", kNoSearchMatch}, RankCase{"Kick.wav", "!!", kNoSearchMatch},
        RankCase{"Kick.wav", "", kNoSearchMatch},
        // in order by prefix, with one token between
        RankCase{"Kicks Very Hardest.wav", "kic har", 500001},
        // any order by prefix, window of three for two words
        RankCase{"Hardest Very Kicks.wav", "kic har", 600001},
        // multiset: both "kick" tokens must be covered by the window
        RankCase{"Kick Snare Kick.wav", "kick kick", 200001},
        RankCase{"Snare Kick Hat Kick Kick.wav", "kick kick", 100003},
        RankCase{"Kick Hat Snare Kick.wav", "snare kick kick", 300001},
        RankCase{"README", "readme", 0}));

TEST(FilenameRankSql, RanksTextAndTreatsNullOrWrongArityAsNoMatch) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_create_function_v2(raw, "rank", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                         nullptr, &searchRankSql, nullptr, nullptr, nullptr),
              SQLITE_OK);
    const auto rankOf = [raw](const char* sql) {
        Statement query(raw, sql);
        EXPECT_TRUE(query.step());
        return query.int64(0);
    };
    EXPECT_EQ(rankOf("SELECT rank('Kick_01.wav','kick')"), 100001);
    EXPECT_EQ(rankOf("SELECT rank(NULL,'kick')"), kNoSearchMatch);
    EXPECT_EQ(rankOf("SELECT rank('Kick.wav',NULL)"), kNoSearchMatch);
    EXPECT_EQ(rankOf("SELECT rank('Kick.wav')"), kNoSearchMatch);
    EXPECT_EQ(rankOf("SELECT rank(808,'808')"), 0);
    sqlite3_close(raw);
}

TEST(FilenameRankSql, CatalogueRegistersTheFunction) {
    testing::TempHome home;
    Database db(home.catalogue());
    EXPECT_NO_THROW(db.exec("SELECT sv_filename_search_rank('Kick.wav','kick')"));
}

}  // namespace
}  // namespace sv
