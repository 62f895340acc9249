#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/search/search_catalogue.h"

namespace sv {
namespace {

using testing::SampleRow;
using testing::SearchCatalogue;
using Names = std::set<std::string>;

// A small library with one sample per situation the filters must tell apart.
class SearchFilters : public ::testing::Test {
  protected:
    void SetUp() override {
        catalogue.addLibrary("/lib");
        otherLibrary = catalogue.addLibrary("/other");
        add({.path = "/lib/Drums/Kick 808 Hard.wav",
             .type = "One Shot",
             .instrument = "Kick",
             .favorite = true,
             .genres = {"Trap"}});
        add({.path = "/lib/Drums/Sub/Snare Tight.wav",
             .type = "One Shot",
             .instrument = "Snare",
             .genres = {"house"}});
        add({.path = "/lib/Drums2/Kick Soft.wav", .type = "One Shot", .instrument = "Kick"});
        add({.path = "/lib/Drums", .type = "Unknown"});
        add({.path = "/lib/Loops/Keys 92 Am.wav",
             .instrument = "Keys",
             .bpm = 92,
             .key = "A min",
             .genres = {"Lofi", "Trap"}});
        add({.path = "/lib/Loops/Bass 120 C.wav",
             .instrument = "Bass",
             .bpm = 120,
             .key = "C",
             .genres = {"House"}});
        add({.path = "/lib/Loops/Pad 130 Cmaj.wav",
             .instrument = "Pad",
             .bpm = 130,
             .key = "C maj",
             .favorite = true});
        add({.path = "/lib/Loops/Lead 110 A minor.wav",
             .instrument = "Lead",
             .bpm = 110,
             .key = "A minor"});
        add({.path = "/lib/Loops/Am Chords.wav", .instrument = "Keys", .bpm = 131, .key = "Am"});
        add({.path = "/lib/Loops/Synth 140 C major.wav",
             .instrument = "Synth",
             .bpm = 140,
             .key = "C major"});
        add({.path = "/lib/Loops/Pluck 100 F# min.wav", .bpm = 100, .key = "F# min"});
        add({.path = "/lib/MIDI/Chords Am.mid", .type = "MIDI", .key = "A min"});
        add({.path = "/lib/Perc/HiHat Closed.wav", .type = "One Shot", .instrument = "HiHat"});
        add({.path = "/lib/Drums/._Kick 808 Hard.wav",
             .type = "One Shot",
             .instrument = "Kick",
             .key = "A min",
             .favorite = true,
             .genres = {"Trap"}});
        add({.path = "/other/Kick Other.wav",
             .type = "One Shot",
             .instrument = "Kick",
             .genres = {"Trap"},
             .libraryId = otherLibrary});
        playlist = catalogue.addPlaylist("Set");
        catalogue.addToPlaylist(playlist, ids.at("Bass 120 C.wav"), 0);
        catalogue.addToPlaylist(playlist, ids.at("Kick Soft.wav"), 1);
        catalogue.addToPlaylist(playlist, ids.at("._Kick 808 Hard.wav"), 2);
    }

    void add(SampleRow row) {
        const std::string name = testing::fileNameOf(row.path);
        ids[name] = catalogue.addSample(std::move(row));
    }

    Names namesOf(const std::vector<Sample>& samples) {
        Names names;
        for (const auto& sample : samples)
            names.insert(sample.filename);
        return names;
    }

    // Every operation that shares the predicates must agree with each other.
    Names matching(SearchQuery query) {
        query.limit = 1000;
        const auto found = catalogue.database().search(query);
        EXPECT_EQ(catalogue.database().countMatching(query),
                  static_cast<std::int64_t>(found.size()));
        EXPECT_EQ(catalogue.database().anyMatching(query), !found.empty());
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_EQ(catalogue.database().matchingIndex(query, found[i].id),
                      static_cast<std::int64_t>(i));
        return namesOf(found);
    }

    SearchCatalogue catalogue;
    std::int64_t otherLibrary = 0;
    std::int64_t playlist = 0;
    std::map<std::string, std::int64_t> ids;
};

struct FilterCase {
    const char* label;
    std::function<void(SearchQuery&)> fill;
    Names expected;
};

TEST_F(SearchFilters, EachFilterAloneAndCombined) {
    const std::vector<FilterCase> cases = {
        {"type", [](SearchQuery& q) { q.type = "MIDI"; }, {"Chords Am.mid"}},
        {"type is exact", [](SearchQuery& q) { q.type = "midi"; }, {}},
        {"instrument ignores case",
         [](SearchQuery& q) { q.instrument = "kick"; },
         {"Kick 808 Hard.wav", "Kick Soft.wav", "Kick Other.wav"}},
        {"instrument synonym",
         [](SearchQuery& q) { q.instrument = "hi-hat"; },
         {"HiHat Closed.wav"}},
        {"instrument synonym plural",
         [](SearchQuery& q) { q.instrument = "KEYS"; },
         {"Keys 92 Am.wav", "Am Chords.wav"}},
        {"one genre through genre",
         [](SearchQuery& q) { q.genre = "TRAP"; },
         {"Kick 808 Hard.wav", "Keys 92 Am.wav", "Kick Other.wav"}},
        {"genres replace genre",
         [](SearchQuery& q) {
             q.genre = "Lofi";
             q.genres = {"house"};
         },
         {"Snare Tight.wav", "Bass 120 C.wav"}},
        {"genres any of, any case, never duplicated",
         [](SearchQuery& q) {
             q.genres = {"trap", "LOFI", "House"};
         },
         {"Kick 808 Hard.wav", "Keys 92 Am.wav", "Kick Other.wav", "Snare Tight.wav",
          "Bass 120 C.wav"}},
        {"folder below, not sibling, not itself",
         [](SearchQuery& q) { q.folder = "/lib/Drums"; },
         {"Kick 808 Hard.wav", "Snare Tight.wav"}},
        {"folder sibling", [](SearchQuery& q) { q.folder = "/lib/Drums2"; }, {"Kick Soft.wav"}},
        {"folder is exact text", [](SearchQuery& q) { q.folder = "/lib/drums"; }, {}},
        {"playlist",
         [&](SearchQuery& q) { q.playlistId = playlist; },
         {"Bass 120 C.wav", "Kick Soft.wav"}},
        {"unknown playlist", [](SearchQuery& q) { q.playlistId = 999; }, {}},
        {"favourites",
         [](SearchQuery& q) { q.favoritesOnly = true; },
         {"Kick 808 Hard.wav", "Pad 130 Cmaj.wav"}},
        {"text",
         [](SearchQuery& q) { q.text = "kick"; },
         {"Kick 808 Hard.wav", "Kick Soft.wav", "Kick Other.wav"}},
        {"text matches any column by prefix",
         [](SearchQuery& q) { q.text = "dru"; },
         {"Kick 808 Hard.wav", "Snare Tight.wav", "Kick Soft.wav", "Drums"}},
        {"text of two words",
         [](SearchQuery& q) { q.text = "loops  c"; },
         {"Bass 120 C.wav", "Pad 130 Cmaj.wav", "Synth 140 C major.wav", "Am Chords.wav"}},
        {"text with a sharp", [](SearchQuery& q) { q.text = "F#"; }, {"Pluck 100 F# min.wav"}},
        {"text type word", [](SearchQuery& q) { q.text = "midi"; }, {"Chords Am.mid"}},
        {"combined text, type, instrument and folder",
         [](SearchQuery& q) {
             q.text = "kick";
             q.type = "One Shot";
             q.instrument = "Kick";
             q.folder = "/lib";
         },
         {"Kick 808 Hard.wav", "Kick Soft.wav"}},
        {"combined key, tempo and favourites",
         [](SearchQuery& q) {
             q.key = "C";
             q.bpm = 125;
             q.favoritesOnly = true;
         },
         {"Pad 130 Cmaj.wav"}},
        {"combined genres, folder and playlist",
         [&](SearchQuery& q) {
             q.genres = {"house", "trap"};
             q.folder = "/lib/Loops";
             q.playlistId = playlist;
         },
         {"Bass 120 C.wav"}},
        {"hide MIDI with key",
         [](SearchQuery& q) {
             q.key = "Am";
             q.hideMidi = true;
         },
         {"Keys 92 Am.wav", "Lead 110 A minor.wav", "Am Chords.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SearchQuery query;
        c.fill(query);
        EXPECT_EQ(matching(query), c.expected);
    }
}

TEST_F(SearchFilters, EverySpellingOfAKeyFindsEveryStoredForm) {
    const Names aMinor = {"Keys 92 Am.wav", "Lead 110 A minor.wav", "Am Chords.wav",
                          "Chords Am.mid"};
    const Names cMajor = {"Bass 120 C.wav", "Pad 130 Cmaj.wav", "Synth 140 C major.wav"};
    for (const char* spelling :
         {"A minor", "Am", "AMIN", "A min", "a  MINOR", "aminor", "Amin", " a\tm "}) {
        SCOPED_TRACE(spelling);
        SearchQuery query;
        query.key = spelling;
        EXPECT_EQ(matching(query), aMinor);
    }
    for (const char* spelling : {"C", "C major", "c maj", "CMAJ", "Cmajor", " C  Major"}) {
        SCOPED_TRACE(spelling);
        SearchQuery query;
        query.key = spelling;
        EXPECT_EQ(matching(query), cMajor);
    }
    SearchQuery sharp;
    sharp.key = "F#m";
    EXPECT_EQ(matching(sharp), Names{"Pluck 100 F# min.wav"});
    sharp.key = "F#";
    EXPECT_EQ(matching(sharp), Names{});
}

TEST_F(SearchFilters, TwoGenresInDifferentCaseFindBothSamples) {
    SearchCatalogue fresh;
    fresh.addSample({.path = "/lib/a.wav", .genres = {"Trap"}});
    fresh.addSample({.path = "/lib/b.wav", .genres = {"house"}});
    fresh.addSample({.path = "/lib/c.wav", .genres = {"Lofi"}});
    SearchQuery query;
    query.genres = {"trap", "house"};
    EXPECT_EQ(fresh.database().countMatching(query), 2);
    EXPECT_EQ(fresh.database().search(query).size(), 2u);
    query.genres = {"TRAP"};
    EXPECT_EQ(fresh.database().countMatching(query), 1);
}

TEST_F(SearchFilters, FolderGenresCountLikeInferredOnes) {
    catalogue.exec("INSERT INTO sample_genres(sample_id,genre,source) VALUES(" +
                   std::to_string(ids.at("Pad 130 Cmaj.wav")) + ",'Ambient','folder')");
    SearchQuery query;
    query.genre = "ambient";
    EXPECT_EQ(matching(query), Names{"Pad 130 Cmaj.wav"});
}

TEST_F(SearchFilters, PunctuationOnlyTextAddsNothingAndKeepsTheNameOrder) {
    SearchQuery query;
    query.text = " -- ._ !";
    query.limit = 1000;
    SearchQuery plain;
    plain.limit = 1000;
    EXPECT_EQ(testing::idsOf(catalogue.database().search(query)),
              testing::idsOf(catalogue.database().search(plain)));
    EXPECT_EQ(catalogue.database().countMatching(query), 14);
}

TEST_F(SearchFilters, AppleDoubleCompanionsAreNeverReturnedCountedOrOffered) {
    const std::int64_t companion = ids.at("._Kick 808 Hard.wav");
    for (const auto& fill : std::vector<std::function<void(SearchQuery&)>>{
             [](SearchQuery&) {}, [](SearchQuery& q) { q.text = "kick"; },
             [](SearchQuery& q) { q.text = "_kick"; },
             [&](SearchQuery& q) { q.playlistId = playlist; },
             [](SearchQuery& q) { q.favoritesOnly = true; }}) {
        SearchQuery query;
        fill(query);
        EXPECT_FALSE(matching(query).count("._Kick 808 Hard.wav"));
        EXPECT_EQ(catalogue.database().matchingIndex(query, companion), std::nullopt);
    }
    EXPECT_EQ(catalogue.database().countSamples(), 15 - 1);
    SearchQuery query;
    query.folder = "/lib/Drums";
    EXPECT_EQ(catalogue.database().distinctFilterValues("key", query),
              std::vector<std::string>{"None"});
}

TEST_F(SearchFilters, OfflineLibraryIsHiddenAndComesBackWithItsFavourites) {
    catalogue.exec("UPDATE samples SET favorite=1 WHERE id=" +
                   std::to_string(ids.at("Kick Other.wav")));
    SearchQuery kicks;
    kicks.text = "kick";
    SearchQuery favourites;
    favourites.favoritesOnly = true;
    const std::int64_t other = ids.at("Kick Other.wav");
    ASSERT_TRUE(matching(kicks).count("Kick Other.wav"));

    catalogue.setOffline("/other", true);
    EXPECT_FALSE(matching(kicks).count("Kick Other.wav"));
    EXPECT_FALSE(matching(favourites).count("Kick Other.wav"));
    EXPECT_EQ(catalogue.database().matchingIndex(kicks, other), std::nullopt);
    EXPECT_EQ(catalogue.database().countSamples(), 14) << "offline samples are still stored";
    const auto genres = catalogue.database().distinctFilterValues("genre", SearchQuery{});
    ASSERT_EQ(genres.size(), 4u);
    EXPECT_EQ((std::set<std::string>{genres[0], genres[1]}),
              (std::set<std::string>{"house", "House"}));
    EXPECT_EQ(genres[2], "Lofi");
    EXPECT_EQ(genres[3], "Trap");

    catalogue.exec("UPDATE app_metadata SET value='0' WHERE key='offline_library:/other'");
    EXPECT_TRUE(matching(favourites).count("Kick Other.wav"));
    catalogue.setOffline("/other", false);
    EXPECT_TRUE(matching(kicks).count("Kick Other.wav"));
    EXPECT_TRUE(matching(favourites).count("Kick Other.wav"));
}

TEST_F(SearchFilters, SamplesReadBackCarryEveryColumn) {
    SearchQuery query;
    query.text = "keys 92";
    const auto found = catalogue.database().search(query);
    ASSERT_EQ(found.size(), 1u);
    const Sample& keys = found[0];
    EXPECT_EQ(keys.id, ids.at("Keys 92 Am.wav"));
    EXPECT_EQ(keys.path, "/lib/Loops/Keys 92 Am.wav");
    EXPECT_EQ(keys.filename, "Keys 92 Am.wav");
    EXPECT_EQ(keys.library, "lib");
    EXPECT_EQ(keys.type, SampleType::Loop);
    EXPECT_EQ(keys.genre, "Lofi, Trap");
    EXPECT_EQ(keys.instrument, "Keys");
    EXPECT_EQ(keys.bpm, 92);
    EXPECT_EQ(keys.musicalKey, "A min");
    EXPECT_EQ(keys.duration, std::nullopt);
    EXPECT_EQ(keys.fileSize, 1000u + keys.path.size());
    EXPECT_EQ(keys.modifiedAt, 1700000000);
    EXPECT_FALSE(keys.favorite);
    EXPECT_TRUE(keys.tags.empty());
    EXPECT_EQ(keys.userOverrideType, std::nullopt);

    query.text = "drums";
    query.type = "Unknown";
    const auto folderRow = catalogue.database().search(query);
    ASSERT_EQ(folderRow.size(), 1u);
    EXPECT_EQ(folderRow[0].genre, "");
    EXPECT_EQ(folderRow[0].instrument, "");
    EXPECT_EQ(folderRow[0].bpm, std::nullopt);
    EXPECT_EQ(folderRow[0].type, SampleType::Unknown);
}

TEST_F(SearchFilters, DistinctValuesAreExactAndOrderedIgnoringCase) {
    catalogue.addSample({.path = "/lib/x/bass lower.wav", .instrument = "bass", .key = "a min"});
    catalogue.addSample({.path = "/lib/x/blank.wav", .instrument = "  ", .genres = {" "}});
    SearchQuery any;
    const auto instruments = catalogue.database().distinctFilterValues("instrument", any);
    ASSERT_EQ(instruments.size(), 9u);
    EXPECT_EQ((std::set<std::string>{instruments[0], instruments[1]}),
              (std::set<std::string>{"Bass", "bass"}));
    EXPECT_EQ(std::vector<std::string>(instruments.begin() + 2, instruments.end()),
              (std::vector<std::string>{"HiHat", "Keys", "Kick", "Lead", "Pad", "Snare", "Synth"}));

    const auto keys = catalogue.database().distinctFilterValues("key", any);
    EXPECT_EQ(keys.size(), 9u);
    EXPECT_EQ((std::set<std::string>{keys[0], keys[1]}), (std::set<std::string>{"a min", "A min"}));
    EXPECT_EQ(
        std::vector<std::string>(keys.begin() + 2, keys.end()),
        (std::vector<std::string>{"A minor", "Am", "C", "C maj", "C major", "F# min", "None"}));

    SearchQuery loops;
    loops.folder = "/lib/Loops";
    loops.bpm = 120;
    EXPECT_EQ(catalogue.database().distinctFilterValues("instrument", loops),
              (std::vector<std::string>{"Bass", "Lead", "Pad"}));
    EXPECT_EQ(catalogue.database().distinctFilterValues("genre", loops),
              std::vector<std::string>{"House"});
    SearchQuery trap;
    trap.genre = "trap";
    EXPECT_EQ(catalogue.database().distinctFilterValues("genre", trap),
              (std::vector<std::string>{"Lofi", "Trap"}))
        << "the genre filter narrows samples, not the genre rows offered";
}

TEST_F(SearchFilters, UnsupportedFilterField) {
    for (const char* field : {"bpm", "Instrument", "", "type"}) {
        try {
            catalogue.database().distinctFilterValues(field, SearchQuery{});
            ADD_FAILURE() << field;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Unsupported filter field");
        }
    }
    // The catalogue stays usable afterwards: the mutex was released.
    EXPECT_EQ(catalogue.database().countSamples(), 14);
}

}  // namespace
}  // namespace sv
