// The same queries answered twice: by the catalogue, and by a plain in-memory evaluation
// of the search rules over the very rows that were stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/inference/instrument_normalization.h"
#include "core/search/search_tokens.h"
#include "tests/search/search_catalogue.h"

namespace sv {
namespace {

using testing::SampleRow;
using testing::SearchCatalogue;
using Ids = std::vector<std::int64_t>;
using Words = std::vector<std::string>;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerText(const std::string& text) {
    std::string out;
    for (const char c : text)
        out.push_back(lower(c));
    return out;
}

// SQLite's NOCASE: ASCII letters folded, then byte order.
int compareNoCase(const std::string& a, const std::string& b) {
    const std::string la = lowerText(a), lb = lowerText(b);
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

// The full-text index's own word splitting: runs of letters, digits and non-ASCII letters (the
// rows hold no other non-ASCII characters, and no query word holds any).
Words indexWords(const std::string& text) {
    Words words;
    std::string word;
    for (const char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) {
            word.push_back(lower(c));
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// A quoted prefix term: its words in a row, the last one as a prefix.
bool phraseMatches(const Words& column, const Words& phrase) {
    if (phrase.empty() || phrase.size() > column.size())
        return false;
    for (std::size_t start = 0; start + phrase.size() <= column.size(); ++start) {
        bool all = true;
        for (std::size_t j = 0; j < phrase.size() && all; ++j) {
            const std::string& word = column[start + j];
            all = j + 1 < phrase.size() ? word == phrase[j] : word.rfind(phrase[j], 0) == 0;
        }
        if (all)
            return true;
    }
    return false;
}

struct StoredRow {
    std::int64_t id = 0;
    SampleRow row;
    std::string filename;
    bool offline = false;
    std::set<std::int64_t> playlists;
};

std::pair<std::string, bool> keyMeaning(std::string key) {
    std::string compact;
    for (const char c : key)
        if (!std::isspace(static_cast<unsigned char>(c)))
            compact.push_back(lower(c));
    for (const auto& [suffix, minor] : std::vector<std::pair<std::string, bool>>{
             {"minor", true}, {"major", false}, {"min", true}, {"maj", false}, {"m", true}})
        if (compact.size() >= suffix.size() &&
            compact.compare(compact.size() - suffix.size(), suffix.size(), suffix) == 0)
            return {compact.substr(0, compact.size() - suffix.size()), minor};
    return {compact, false};
}

bool passes(const StoredRow& s, const SearchQuery& q) {
    const SampleRow& r = s.row;
    if (s.filename.rfind("._", 0) == 0 || s.offline)
        return false;
    if (q.hideMidi && r.type == "MIDI")
        return false;
    const Words tokens = searchTokens(q.text);
    if (!tokens.empty()) {
        std::string genre;
        for (const auto& g : r.genres)
            genre += (genre.empty() ? "" : ", ") + g;
        const std::vector<Words> columns = {indexWords(s.filename),   indexWords(r.path),
                                            indexWords(r.type),       indexWords(genre),
                                            indexWords(r.instrument), indexWords(r.key)};
        for (const auto& token : tokens) {
            const Words phrase = indexWords(token);
            if (std::none_of(columns.begin(), columns.end(),
                             [&](const Words& column) { return phraseMatches(column, phrase); }))
                return false;
        }
    }
    if (!q.type.empty() && r.type != q.type)
        return false;
    if (!q.instrument.empty() &&
        compareNoCase(r.instrument, normalizedInstrument(q.instrument)) != 0)
        return false;
    if (q.bpm) {
        const int low = std::max(*q.bpm, 30) - 10, high = std::min(*q.bpm, 290) + 10;
        if (!r.bpm || *r.bpm < low || *r.bpm > high)
            return false;
    }
    if (!q.key.empty() && keyMeaning(r.key) != keyMeaning(q.key))
        return false;
    const Words genres = !q.genres.empty() ? q.genres : q.genre.empty() ? Words{} : Words{q.genre};
    if (!genres.empty() && std::none_of(r.genres.begin(), r.genres.end(), [&](const auto& g) {
            return std::any_of(genres.begin(), genres.end(),
                               [&](const auto& wanted) { return compareNoCase(g, wanted) == 0; });
        }))
        return false;
    if (!q.folder.empty() && r.path.rfind(q.folder + "/", 0) != 0)
        return false;
    if (q.playlistId && !s.playlists.count(*q.playlistId))
        return false;
    return !q.favoritesOnly || r.favorite;
}

// Missing values last in both directions, then the chosen direction.
template <typename T>
int compareOptional(const std::optional<T>& a, const std::optional<T>& b, bool descending) {
    if (!a || !b)
        return (!a && !b) ? 0 : (!a ? 1 : -1);
    if (*a == *b)
        return 0;
    return ((*a < *b) != descending) ? -1 : 1;
}

bool before(const StoredRow& a, const StoredRow& b, const SearchQuery& q) {
    const auto byNameThenId = [&] {
        const int names = compareNoCase(a.filename, b.filename);
        return names != 0 ? names < 0 : a.id < b.id;
    };
    if (q.sortByName) {
        const int names = compareNoCase(a.filename, b.filename);
        if (names != 0)
            return (names < 0) != q.nameDescending;
        return (a.id < b.id) != q.nameDescending;
    }
    int first = 0;
    if (q.sortByDuration)
        first = compareOptional(a.row.duration, b.row.duration, q.durationDescending);
    else if (q.sortByBpm)
        first = compareOptional(a.row.bpm, b.row.bpm, q.bpmDescending);
    else if (q.bpm)
        first = compareOptional<int>(std::abs(*a.row.bpm - *q.bpm), std::abs(*b.row.bpm - *q.bpm),
                                     false);
    else if (!searchTokens(q.text).empty())
        first = compareOptional<int>(filenameSearchRank(a.filename, q.text),
                                     filenameSearchRank(b.filename, q.text), false);
    return first != 0 ? first < 0 : byNameThenId();
}

Ids reference(const std::vector<StoredRow>& rows, const SearchQuery& query) {
    std::vector<const StoredRow*> matching;
    for (const auto& row : rows)
        if (passes(row, query))
            matching.push_back(&row);
    std::sort(matching.begin(), matching.end(),
              [&](const StoredRow* a, const StoredRow* b) { return before(*a, *b, query); });
    Ids ids;
    for (const auto* row : matching)
        ids.push_back(row->id);
    return ids;
}

template <typename T>
const T& pick(std::mt19937& random, const std::vector<T>& options) {
    return options[std::uniform_int_distribution<std::size_t>(0, options.size() - 1)(random)];
}

bool chance(std::mt19937& random, double p) {
    return std::bernoulli_distribution(p)(random);
}

const Words kFolders = {"/lib/Drums",  "/lib/Drums2",         "/lib/Drums/Sub",
                        "/lib/Loops",  "/lib/Loops/Keys",     "/lib/Loops/Keys 2",
                        "/other/Pack", "/other/Pack/Trap Kit"};
const Words kWords = {"Kick", "kick", "Snare", "Hat",  "Bass", "Pad", "Keys", "Lead", "Chord",
                      "808",  "Dark", "Hard",  "Soft", "Trap", "Am",  "C",    "F#",   "Loop"};
// The last two are no type the scanner writes, but the filter takes any text.
const Words kTypes = {"Loop", "One Shot", "MIDI", "Unknown", "Loop\xc3\xa9", "Fill, 2x"};
const Words kInstruments = {"",      "Kick", "kick", "Kick Drum", "Snare",
                            "HiHat", "Keys", "Bass", "FX"};
const Words kStoredKeys = {"None",
                           "A min",
                           "C",
                           "C maj",
                           "F# min",
                           "Am",
                           "A minor",
                           "a min",
                           "AMIN",
                           "am in",
                           "(A min)",
                           " c",
                           "Cmaj",
                           "#A min",
                           "\xc3\xa9"
                           "A min"};
const Words kGenres = {"Trap", "trap", "House", "Lofi"};
const Words kPickedKeys = {"Am",
                           "A minor",
                           "AMIN",
                           "C",
                           "C major",
                           "cmaj",
                           "F#m",
                           "(A min)",
                           "m",
                           "major",
                           "\xc3\xa9"
                           "Am",
                           "#a m"};

struct Libraries {
    std::int64_t lib = 0;
    std::int64_t other = 0;
};

void addRows(SearchCatalogue& catalogue, std::mt19937& random,
             const std::vector<std::int64_t>& playlists, Libraries libraries, int count,
             double appleDoubleChance, std::vector<StoredRow>& rows) {
    const auto [lib, other] = libraries;
    for (int i = 0; i < count; ++i) {
        StoredRow s;
        std::string name = chance(random, appleDoubleChance) ? "._" : "";
        const int words = std::uniform_int_distribution<int>(1, 4)(random);
        for (int w = 0; w < words; ++w)
            name += (w ? (chance(random, 0.5) ? " " : "_") : "") + pick(random, kWords);
        if (chance(random, 0.3)) {
            name += ' ';
            name += std::to_string(std::uniform_int_distribution<int>(1, 9)(random));
        }
        name += chance(random, 0.15) ? ".mid" : ".wav";
        const std::string& folder = pick(random, kFolders);
        s.row.path = folder + "/" + name;
        s.row.libraryId = folder.rfind("/lib", 0) == 0 ? lib : other;
        s.row.type = pick(random, kTypes);
        s.row.instrument = pick(random, kInstruments);
        if (chance(random, 0.8))
            s.row.bpm = pick(random, std::vector<int>{20, 25, 35, 60, 90, 100, 110, 120, 125, 130,
                                                      140, 174, 290, 300});
        s.row.key = pick(random, kStoredKeys);
        if (chance(random, 0.7))
            s.row.duration = pick(random, std::vector<double>{0.25, 0.5, 1.0, 2.0, 8.0});
        s.row.favorite = chance(random, 0.2);
        for (const auto& genre : kGenres)
            if (chance(random, 0.2))
                s.row.genres.push_back(genre);
        s.filename = testing::fileNameOf(s.row.path);
        try {
            s.id = catalogue.addSample(s.row);
        } catch (const std::runtime_error&) {
            continue;  // the same path twice
        }
        for (std::size_t p = 0; p < playlists.size(); ++p)
            if (chance(random, 0.25)) {
                catalogue.addToPlaylist(playlists[p], s.id, static_cast<int>(rows.size()));
                s.playlists.insert(playlists[p]);
            }
        rows.push_back(std::move(s));
    }
}

SearchQuery randomQuery(std::mt19937& random, const std::vector<std::int64_t>& playlists) {
    SearchQuery q;
    if (chance(random, 0.5)) {
        q.text = pick(random, kWords);
        if (chance(random, 0.4))
            q.text += pick(random, Words{" ", ", ", "-"}) + pick(random, kWords);
        if (chance(random, 0.3))
            q.text = q.text.substr(0, std::max<std::size_t>(1, q.text.size() - 1));
    }
    if (chance(random, 0.15))
        q.type = pick(random, kTypes);
    if (chance(random, 0.15))
        q.instrument = pick(random, Words{"kick", "KICK", "hi hat", "keyboard", "sfx", "Bass"});
    if (chance(random, 0.15))
        q.key = pick(random, kPickedKeys);
    if (chance(random, 0.1))
        q.genre = pick(random, kGenres);
    if (chance(random, 0.15))
        q.genres = {pick(random, kGenres), pick(random, Words{"TRAP", "lofi", "house"})};
    if (chance(random, 0.2))
        q.folder = pick(random, kFolders);
    if (chance(random, 0.2))
        q.bpm = pick(random, std::vector<int>{25, 100, 120, 300});
    if (chance(random, 0.1))
        q.playlistId = pick(random, playlists);
    q.favoritesOnly = chance(random, 0.15);
    q.hideMidi = chance(random, 0.2);
    switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 1:
            q.sortByName = true;
            q.nameDescending = chance(random, 0.5);
            break;
        case 2:
            q.sortByDuration = true;
            q.durationDescending = chance(random, 0.5);
            break;
        case 3:
            q.sortByBpm = true;
            q.bpmDescending = chance(random, 0.5);
            break;
        default:
            break;
    }
    return q;
}

std::vector<std::string> sortedForComparison(std::vector<std::string> values) {
    std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) {
        const int folded = compareNoCase(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
    return values;
}

std::vector<std::string> referenceValues(const std::vector<StoredRow>& rows,
                                         const SearchQuery& query, const std::string& field) {
    std::set<std::string> values;
    const auto blank = [](const std::string& v) {
        return v.find_first_not_of(' ') == std::string::npos;
    };
    for (const auto& s : rows) {
        if (!passes(s, query))
            continue;
        if (field == "genre") {
            for (const auto& genre : s.row.genres)
                if (!blank(genre))
                    values.insert(genre);
        } else {
            const std::string& value = field == "key" ? s.row.key : s.row.instrument;
            if (!blank(value))
                values.insert(value);
        }
    }
    return sortedForComparison({values.begin(), values.end()});
}

// The rows of one page of the full ordered result.
Ids pageOf(const Ids& all, int offset, int limit) {
    const auto begin = std::min<std::size_t>(all.size(), offset);
    const auto end = std::min<std::size_t>(all.size(), offset + limit);
    return Ids(all.begin() + begin, all.begin() + end);
}

// A catalogue of both libraries holding random rows, without playlists.
struct RandomCatalogue {
    SearchCatalogue catalogue;
    std::vector<StoredRow> rows;
    RandomCatalogue(unsigned seed, int count, double appleDoubleChance) {
        std::mt19937 random(seed);
        const Libraries libraries{catalogue.addLibrary("/lib"), catalogue.addLibrary("/other")};
        addRows(catalogue, random, {}, libraries, count, appleDoubleChance, rows);
    }
};

TEST(SearchReference, RandomQueriesGiveTheSameIdsInTheSameOrder) {
    std::mt19937 random(20260912);
    SearchCatalogue catalogue;
    const std::vector<std::int64_t> playlists = {catalogue.addPlaylist("One"),
                                                 catalogue.addPlaylist("Two")};
    const Libraries libraries{catalogue.addLibrary("/lib"), catalogue.addLibrary("/other")};
    // At first neither AppleDouble companions nor offline libraries exist, then both do: the
    // catalogue may skip exclusions that cannot remove a row, never ones that can.
    std::vector<StoredRow> rows;
    addRows(catalogue, random, playlists, libraries, 320, 0.0, rows);
    ASSERT_GT(rows.size(), 250u);

    int nonEmpty = 0;
    for (int round = 0; round < 240; ++round) {
        if (round == 80)
            addRows(catalogue, random, playlists, libraries, 60, 0.3, rows);
        if (round == 160) {
            catalogue.setOffline("/other", true);
            for (auto& s : rows)
                s.offline = s.row.path.rfind("/other/", 0) == 0;
        }
        SearchQuery query = randomQuery(random, playlists);
        SCOPED_TRACE(::testing::Message()
                     << "round " << round << " text '" << query.text << "' key '" << query.key
                     << "' folder '" << query.folder << "'");
        const Ids expected = reference(rows, query);
        nonEmpty += expected.empty() ? 0 : 1;

        query.limit = 10000;
        ASSERT_EQ(testing::idsOf(catalogue.database().search(query)), expected);
        EXPECT_EQ(catalogue.database().countMatching(query),
                  static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(catalogue.database().anyMatching(query), !expected.empty());

        query.limit = 7;
        query.offset = std::uniform_int_distribution<int>(0, 20)(random);
        EXPECT_EQ(testing::idsOf(catalogue.database().search(query)),
                  pageOf(expected, query.offset, 7));

        for (int probe = 0; probe < 3; ++probe) {
            const StoredRow& s = pick(random, rows);
            const auto at = std::find(expected.begin(), expected.end(), s.id);
            const std::optional<std::int64_t> position =
                at == expected.end() ? std::nullopt
                                     : std::optional<std::int64_t>(at - expected.begin());
            EXPECT_EQ(catalogue.database().matchingIndex(query, s.id), position);
        }

        const std::string field = pick(random, Words{"instrument", "genre", "key"});
        const auto values = catalogue.database().distinctFilterValues(field, query);
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end(), [](const auto& a, const auto& b) {
            return compareNoCase(a, b) < 0;
        }));
        EXPECT_EQ(sortedForComparison(values), referenceValues(rows, query, field)) << field;
    }
    EXPECT_GT(nonEmpty, 100) << "the random queries should mostly find something";
}

// Keys and types also narrow the full-text expression when there is text, and that must never
// drop a row that the exact filter keeps: every picked key and type, alone and with text.
TEST(SearchReference, NarrowingFiltersFindTheSameRowsWithAndWithoutText) {
    RandomCatalogue stored(1207, 300, 0.0);
    SearchCatalogue& catalogue = stored.catalogue;
    const std::vector<StoredRow>& rows = stored.rows;
    std::vector<SearchQuery> filters;
    for (const auto& key : kPickedKeys) {
        filters.emplace_back();
        filters.back().key = key;
    }
    for (const auto& type : kTypes) {
        filters.emplace_back();
        filters.back().type = type;
    }
    int found = 0;
    for (SearchQuery query : filters)
        for (const char* text : {"", "lib", "kick", "c", "a", "loop"}) {
            query.text = text;
            query.limit = 10000;
            const Ids expected = reference(rows, query);
            found += expected.empty() ? 0 : 1;
            const std::string trace = "key '" + query.key + "' type '" + query.type + "' text '" +
                                      std::string(text) + "'";
            EXPECT_EQ(testing::idsOf(catalogue.database().search(query)), expected) << trace;
            EXPECT_EQ(catalogue.database().countMatching(query),
                      static_cast<std::int64_t>(expected.size()))
                << trace;
        }
    EXPECT_GT(found, 60);
}

// A dense word sorted by name is read off the name index, a rare one or a far page is sorted:
// both must give the same pages in both directions.
TEST(SearchReference, NameSortedTextGivesTheSamePagesWhicheverWayItIsRead) {
    RandomCatalogue stored(88, 300, 0.05);
    SearchCatalogue& catalogue = stored.catalogue;
    const std::vector<StoredRow>& rows = stored.rows;
    for (const char* text : {"lib", "kick", "hard", "trap kit", "c"})
        for (const bool descending : {false, true})
            for (const int offset : {0, 7, 50, 140}) {
                SearchQuery query;
                query.text = text;
                query.sortByName = true;
                query.nameDescending = descending;
                query.hideMidi = offset == 50;
                const Ids all = reference(rows, query);
                query.limit = 7;
                query.offset = offset;
                EXPECT_EQ(testing::idsOf(catalogue.database().search(query)),
                          pageOf(all, offset, 7))
                    << "text '" << text << "' descending " << descending << " offset " << offset;
            }
}

}  // namespace
}  // namespace sv
