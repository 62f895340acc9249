#include <gtest/gtest.h>

#include <sqlite3.h>

#include <map>
#include <ostream>
#include <random>
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
    EXPECT_EQ(FilenameRanker(c.text).rank(c.filename), c.rank) << c.filename << " / " << c.text;
    if (const auto fromInitials = rankFromInitials(nameInitials(c.filename), c.text)) {
        EXPECT_EQ(*fromInitials, c.rank) << c.filename << " / " << c.text;
    }
    EXPECT_EQ(rankFromInitials(nameInitials(c.filename), "kick"), std::nullopt);
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

// The ranking rules written out plainly, as the oracle for the catalogue's faster version.
namespace plain {

bool matches(const std::string& nameWord, const std::string& searchWord, bool prefix) {
    return prefix ? nameWord.rfind(searchWord, 0) == 0 : nameWord == searchWord;
}

int pass(const Tokens& n, const Tokens& q, bool prefix, int base) {
    for (std::size_t i = 0; q.size() <= n.size() && i + q.size() <= n.size(); ++i) {
        std::size_t j = 0;
        while (j < q.size() && matches(n[i + j], q[j], prefix))
            ++j;
        if (j == q.size())
            return base + static_cast<int>(n.size() - q.size());
    }
    int best = -1;
    for (std::size_t i = 0; i < n.size(); ++i) {
        if (!matches(n[i], q[0], prefix))
            continue;
        std::size_t last = i, j = 1;
        for (; j < q.size(); ++j) {
            std::size_t k = last + 1;
            while (k < n.size() && !matches(n[k], q[j], prefix))
                ++k;
            if (k == n.size())
                break;
            last = k;
        }
        const int gap = static_cast<int>(last - i + 1 - q.size());
        if (j == q.size() && (best < 0 || gap < best))
            best = gap;
    }
    if (best >= 0)
        return base + 100000 + best;
    std::map<std::string, std::size_t> wanted;
    for (const auto& word : q)
        ++wanted[word];
    for (std::size_t s = 0; s < n.size(); ++s) {
        std::map<std::string, std::size_t> credit;
        for (std::size_t e = s; e < n.size(); ++e) {
            for (const auto& [word, count] : wanted)
                if (matches(n[e], word, prefix)) {
                    ++credit[word];
                    break;
                }
            const bool covered = std::all_of(wanted.begin(), wanted.end(), [&](const auto& w) {
                return credit[w.first] >= w.second;
            });
            if (covered) {
                const int gap = static_cast<int>(e - s + 1 - q.size());
                if (best < 0 || gap < best)
                    best = gap;
                break;
            }
        }
    }
    return best >= 0 ? base + 200000 + best : kNoSearchMatch;
}

int rank(const std::string& filename, const std::string& text) {
    const auto dot = filename.rfind('.');
    const Tokens n = searchTokens(dot == std::string::npos ? filename : filename.substr(0, dot));
    const Tokens q = searchTokens(text);
    if (n.empty() || q.empty())
        return kNoSearchMatch;
    if (n == q)
        return 0;
    const int exact = pass(n, q, false, 100000);
    return exact < kNoSearchMatch ? exact : pass(n, q, true, 400000);
}

}  // namespace plain

// Short words that are prefixes of one another, repeated, so that every stage and both modes
// are reached, including windows that must cover a word typed twice.
TEST(FilenameRank, AgreesWithThePlainRulesOnRandomNamesAndQueries) {
    const Tokens words = {"k", "ki", "kick", "kicks", "808", "8", "hard", "ha", "a", "am", "loop"};
    std::mt19937 random(41);
    const auto randomWords = [&](int most) {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, most)(random);
        for (int i = 0; i < count; ++i)
            text += (i ? " " : "") + words[random() % words.size()];
        return text;
    };
    // Letter case, separators that split words and characters that join them.
    const auto disguised = [&](std::string text) {
        for (char& c : text) {
            if (c >= 'a' && c <= 'z' && random() % 3 == 0)
                c = static_cast<char>(c - 'a' + 'A');
            if (c == ' ')
                c = " _-.,"[random() % 5];
        }
        if (random() % 8 == 0)
            text.insert(random() % (text.size() + 1), random() % 2 ? "#" : "\xc3\xa9");
        return text;
    };
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string filename = disguised(randomWords(6)) + ".wav";
        const std::string text = randomWords(4);
        const int expected = plain::rank(filename, text);
        matched += expected < kNoSearchMatch ? 1 : 0;
        ASSERT_EQ(filenameSearchRank(filename, text), expected) << filename << " / " << text;
        FilenameRanker ranker(text);
        ASSERT_EQ(ranker.rank(filename), expected) << filename << " / " << text;
        // One letter, digit or '#': the name's initials tell the same.
        const std::string letter(1, "kK8a#h"[random() % 6]);
        const auto fromInitials = rankFromInitials(nameInitials(filename), letter);
        ASSERT_TRUE(fromInitials.has_value()) << filename;
        ASSERT_EQ(*fromInitials, plain::rank(filename, letter)) << filename << " / " << letter;
        ASSERT_EQ(ranker.rank("Kick.wav"), plain::rank("Kick.wav", text)) << text;
    }
    EXPECT_GT(matched, 1500);
}

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
