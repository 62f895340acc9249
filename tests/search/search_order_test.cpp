#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/search/search_catalogue.h"

namespace sv {
namespace {

using testing::idsOf;
using testing::SampleRow;
using testing::SearchCatalogue;
using Ids = std::vector<std::int64_t>;

// Ties on purpose: equal names in two folders, names equal but for case, equal durations
// and tempos, and missing durations and tempos.
class SearchOrder : public ::testing::Test {
  protected:
    void SetUp() override {
        r[1] = add({.path = "/lib/x/b.wav", .bpm = 120, .duration = 2.0});
        r[2] = add({.path = "/lib/y/b.wav", .bpm = 90});
        r[3] = add({.path = "/lib/x/A.wav", .duration = 1.0});
        r[4] = add({.path = "/lib/x/a.wav", .bpm = 120, .duration = 2.0});
        r[5] = add({.path = "/lib/x/C.wav"});
        r[6] = add({.path = "/lib/x/c2.wav", .bpm = 100, .duration = 3.0});
    }

    std::int64_t add(SampleRow row) { return catalogue.addSample(std::move(row)); }

    Ids expect(const std::vector<int>& rows) {
        Ids ids;
        for (const int row : rows)
            ids.push_back(r[row]);
        return ids;
    }

    Ids positionsAgree(const SearchQuery& query) {
        const Ids ids = idsOf(catalogue.database().search(query));
        for (std::size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(catalogue.database().matchingIndex(query, ids[i]),
                      static_cast<std::int64_t>(i));
        return ids;
    }

    SearchCatalogue catalogue;
    std::int64_t r[7] = {};
};

TEST_F(SearchOrder, EverySortInBothDirectionsBreaksTiesByNameThenId) {
    struct Case {
        const char* label;
        std::function<void(SearchQuery&)> fill;
        std::vector<int> rows;
    };
    const std::vector<Case> cases = {
        {"default", [](SearchQuery&) {}, {3, 4, 1, 2, 5, 6}},
        {"name ascending", [](SearchQuery& q) { q.sortByName = true; }, {3, 4, 1, 2, 5, 6}},
        {"name descending",
         [](SearchQuery& q) { q.sortByName = q.nameDescending = true; },
         {6, 5, 2, 1, 4, 3}},
        {"duration ascending", [](SearchQuery& q) { q.sortByDuration = true; }, {3, 4, 1, 6, 2, 5}},
        {"duration descending",
         [](SearchQuery& q) { q.sortByDuration = q.durationDescending = true; },
         {6, 4, 1, 3, 2, 5}},
        {"tempo ascending", [](SearchQuery& q) { q.sortByBpm = true; }, {2, 6, 4, 1, 3, 5}},
        {"tempo descending",
         [](SearchQuery& q) { q.sortByBpm = q.bpmDescending = true; },
         {4, 1, 6, 2, 3, 5}},
        {"tempo filter: closest first", [](SearchQuery& q) { q.bpm = 110; }, {4, 1, 6}},
        {"tempo filter: closest first, other side", [](SearchQuery& q) { q.bpm = 96; }, {6, 2}},
        {"explicit sort wins over tempo filter",
         [](SearchQuery& q) {
             q.bpm = 110;
             q.sortByName = q.nameDescending = true;
         },
         {6, 1, 4}},
        {"name sort wins over duration sort",
         [](SearchQuery& q) { q.sortByName = q.sortByDuration = q.durationDescending = true; },
         {3, 4, 1, 2, 5, 6}},
        {"duration sort wins over tempo sort",
         [](SearchQuery& q) { q.sortByDuration = q.sortByBpm = q.bpmDescending = true; },
         {3, 4, 1, 6, 2, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SearchQuery query;
        c.fill(query);
        EXPECT_EQ(positionsAgree(query), expect(c.rows));
    }
}

TEST_F(SearchOrder, TextRanksBestNamesFirst) {
    SearchCatalogue ranked;
    const auto add = [&](const std::string& path) { return ranked.addSample({.path = path}); };
    const Ids expected = {
        add("/lib/p/Kick Hard.wav"),          // identical words
        add("/lib/p/Another Kick Hard.wav"),  // contiguous run, one extra word
        add("/lib/p/Kick Hard 01.wav"),       // the same rank: name order decides
        add("/lib/p/Kick Very Hard.wav"),     // in order with a gap
        add("/lib/p/Hard Kick.wav"),          // any order
        add("/lib/p/Kicks Hardest.wav"),      // prefixes only
        add("/lib/Hard/Kick.wav"),            // matches through its folder only
    };
    add("/lib/p/Kick Soft.wav");
    add("/lib/p/Snare Hard.wav");
    SearchQuery query;
    query.text = "Kick, hard!";
    EXPECT_EQ(ranked.database().countMatching(query), 7);
    const Ids found = idsOf(ranked.database().search(query));
    EXPECT_EQ(found, (Ids{expected[0], expected[1], expected[2], expected[3], expected[4],
                          expected[5], expected[6]}));
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(ranked.database().matchingIndex(query, found[i]), static_cast<std::int64_t>(i));

    query.sortByName = true;
    EXPECT_EQ(idsOf(ranked.database().search(query)).front(), expected[1]) << "Another ...";
    query.sortByName = false;
    query.bpm = 120;
    EXPECT_EQ(ranked.database().countMatching(query), 0) << "none of them has a tempo";
}

TEST_F(SearchOrder, TempoWindowEdges) {
    SearchCatalogue tempos;
    std::map<int, std::int64_t> byTempo;
    for (const int bpm :
         {19, 20, 25, 35, 36, 100, 109, 110, 120, 130, 131, 279, 280, 289, 290, 300, 301})
        byTempo[bpm] =
            tempos.addSample({.path = "/lib/t/" + std::to_string(bpm) + " loop.wav", .bpm = bpm});
    tempos.addSample({.path = "/lib/t/no tempo.wav"});
    const auto window = [&](int bpm) {
        SearchQuery query;
        query.bpm = bpm;
        std::vector<int> found;
        for (const auto& sample : tempos.database().search(query))
            found.push_back(*sample.bpm);
        EXPECT_EQ(tempos.database().countMatching(query), static_cast<std::int64_t>(found.size()));
        return found;
    };
    EXPECT_EQ(window(120), (std::vector<int>{120, 110, 130}));
    EXPECT_EQ(window(25), (std::vector<int>{25, 20, 35}));
    EXPECT_EQ(window(300), (std::vector<int>{300, 290}));
    EXPECT_EQ(window(30), (std::vector<int>{25, 35, 36, 20}));
    EXPECT_EQ(window(290), (std::vector<int>{290, 289, 280, 300}));
    EXPECT_EQ(window(-5), (std::vector<int>{})) << "a negative tempo is written safely";

    SearchQuery negative;
    negative.bpm = -5;
    EXPECT_EQ(tempos.database().matchingIndex(negative, byTempo[25]), std::nullopt);
    negative.bpm = 25;
    EXPECT_EQ(tempos.database().matchingIndex(negative, byTempo[35]), 2);
}

TEST_F(SearchOrder, LimitAndOffsetWindowTheFullOrder) {
    SearchCatalogue many;
    for (int i = 0; i < 260; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/lib/m/Loop %03d.wav", (i * 37) % 260);
        many.addSample({.path = name, .bpm = 60 + i % 7});
    }
    for (const auto& fill : std::vector<std::function<void(SearchQuery&)>>{
             [](SearchQuery&) {}, [](SearchQuery& q) { q.sortByBpm = true; },
             [](SearchQuery& q) { q.text = "loop"; }, [](SearchQuery& q) { q.bpm = 63; }}) {
        SearchQuery query;
        fill(query);
        query.limit = 1000;
        const Ids all = idsOf(many.database().search(query));
        const auto total = many.database().countMatching(query);
        ASSERT_EQ(static_cast<std::int64_t>(all.size()), total);
        query.limit = 50;
        for (query.offset = 0; query.offset < total + 50; query.offset += 50) {
            const Ids page = idsOf(many.database().search(query));
            const auto begin = std::min<std::size_t>(all.size(), query.offset);
            const auto end = std::min<std::size_t>(all.size(), query.offset + 50);
            EXPECT_EQ(page, Ids(all.begin() + begin, all.begin() + end));
            for (std::size_t row = 0; row < page.size(); ++row)
                EXPECT_EQ(many.database().matchingIndex(query, page[row]),
                          static_cast<std::int64_t>(query.offset + row));
        }
        query.offset = 100;
        EXPECT_EQ(idsOf(many.database().search(query)), Ids(all.begin() + 100, all.begin() + 150))
            << "rows 101 to 150";
    }
    SearchQuery first;
    EXPECT_EQ(many.database().matchingIndex(first, idsOf(many.database().search(first))[0]), 0);
    EXPECT_EQ(many.database().matchingIndex(first, 999999), std::nullopt);
}

}  // namespace
}  // namespace sv
