// The same queries answered twice: by the catalogue, and by a plain in-memory evaluation
// of the search rules over the very rows that were stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/catalogue/statement.h"
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
    std::string genreText;  // samples.genre, which the full-text index holds
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
        const std::vector<Words> columns = {indexWords(s.filename),   indexWords(r.path),
                                            indexWords(r.type),       indexWords(s.genreText),
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
        for (const auto& genre : s.row.genres)
            s.genreText += (s.genreText.empty() ? "" : ", ") + genre;
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
    if (!playlists.empty() && chance(random, 0.1))
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

// The rows as the catalogue holds them now, read back through the raw connection: after writes
// through the catalogue's own operations, the reference evaluates what they stored.
std::vector<StoredRow> storedRows(sqlite3* raw) {
    std::vector<StoredRow> rows;
    std::map<std::int64_t, std::size_t> at;
    {
        Statement samples(raw,
                          "SELECT s.id,s.path,s.filename,s.type,s.instrument,s.bpm,s.musical_key,"
                          "s.duration,s.favorite,s.genre,s.library_id,EXISTS(SELECT 1 FROM "
                          "app_metadata m JOIN libraries l ON m.key='offline_library:'||l.path "
                          "WHERE l.id=s.library_id AND m.value='1') FROM samples s ORDER BY s.id");
        while (samples.step()) {
            StoredRow s;
            s.id = samples.int64(0);
            s.row.path = samples.text(1);
            s.filename = samples.text(2);
            s.row.type = samples.text(3);
            s.row.instrument = samples.text(4);
            if (const auto bpm = samples.optionalInt64(5))
                s.row.bpm = static_cast<std::int32_t>(*bpm);
            s.row.key = samples.text(6);
            s.row.duration = samples.optionalReal(7);
            s.row.favorite = samples.int64(8) == 1;
            s.genreText = samples.text(9);
            s.row.libraryId = samples.int64(10);
            s.offline = samples.int64(11) != 0;
            at[s.id] = rows.size();
            rows.push_back(std::move(s));
        }
    }
    Statement genres(raw, "SELECT sample_id,genre FROM sample_genres ORDER BY sample_id,genre");
    while (genres.step())
        if (const auto found = at.find(genres.int64(0)); found != at.end()) {
            auto& list = rows[found->second].row.genres;
            if (std::find(list.begin(), list.end(), genres.text(1)) == list.end())
                list.push_back(genres.text(1));
        }
    Statement members(raw, "SELECT playlist_id,sample_id FROM playlist_items");
    while (members.step())
        if (const auto found = at.find(members.int64(1)); found != at.end())
            rows[found->second].playlists.insert(members.int64(0));
    return rows;
}

// One query against the reference: every matching id in order, the count, a page, and the
// positions of three samples. Returns whether anything matched.
bool expectSameAsReference(Database& db, const std::vector<StoredRow>& rows, SearchQuery query,
                           std::mt19937& random) {
    const Ids expected = reference(rows, query);
    query.limit = 10000;
    query.offset = 0;
    EXPECT_EQ(testing::idsOf(db.search(query)), expected);
    EXPECT_EQ(db.countMatching(query), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(db.anyMatching(query), !expected.empty());

    query.limit = 7;
    query.offset = std::uniform_int_distribution<int>(0, 20)(random);
    EXPECT_EQ(testing::idsOf(db.search(query)), pageOf(expected, query.offset, 7));

    for (int probe = 0; probe < 3 && !rows.empty(); ++probe) {
        const StoredRow& s = pick(random, rows);
        const auto at = std::find(expected.begin(), expected.end(), s.id);
        const std::optional<std::int64_t> position =
            at == expected.end() ? std::nullopt
                                 : std::optional<std::int64_t>(at - expected.begin());
        EXPECT_EQ(db.matchingIndex(query, s.id), position) << "sample " << s.id;
    }
    const std::string field = pick(random, Words{"instrument", "genre", "key"});
    EXPECT_EQ(sortedForComparison(db.distinctFilterValues(field, query)),
              referenceValues(rows, query, field))
        << field;
    return !expected.empty();
}

std::string describe(const SearchQuery& query) {
    std::ostringstream text;
    text << "text '" << query.text << "' type '" << query.type << "' instrument '"
         << query.instrument << "' key '" << query.key << "' folder '" << query.folder << "' bpm "
         << (query.bpm ? *query.bpm : -1) << " sorts " << query.sortByName << query.nameDescending
         << query.sortByDuration << query.durationDescending << query.sortByBpm
         << query.bpmDescending;
    return text.str();
}

// Each query is answered by the plain SQL on one connection and by the in-memory index on a
// second one, whose copy goes stale when the first connection writes and is prepared again.
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
    Database indexed(catalogue.file());
    ASSERT_TRUE(indexed.prepareSearchIndex());

    int nonEmpty = 0;
    for (int round = 0; round < 240; ++round) {
        const bool written = round == 80 || round == 160;
        if (round == 80)
            addRows(catalogue, random, playlists, libraries, 60, 0.3, rows);
        if (round == 160) {
            catalogue.setOffline("/other", true);
            for (auto& s : rows)
                s.offline = s.row.path.rfind("/other/", 0) == 0;
        }
        SearchQuery query = randomQuery(random, playlists);
        SCOPED_TRACE(::testing::Message() << "round " << round << " " << describe(query));
        nonEmpty += expectSameAsReference(catalogue.database(), rows, query, random) ? 1 : 0;
        if (written) {
            // Another connection wrote: the copy is stale and the SQL answers until it is
            // prepared again.
            EXPECT_FALSE(indexed.searchIndexCurrent());
            expectSameAsReference(indexed, rows, query, random);
            ASSERT_TRUE(indexed.prepareSearchIndex());
        }
        ASSERT_TRUE(indexed.searchIndexCurrent());
        expectSameAsReference(indexed, rows, query, random);
        if (::testing::Test::HasFailure())
            return;

        const std::string field = pick(random, Words{"instrument", "genre", "key"});
        for (Database* db : {&catalogue.database(), &indexed}) {
            const auto values = db->distinctFilterValues(field, query);
            EXPECT_TRUE(std::is_sorted(
                values.begin(), values.end(),
                [](const auto& a, const auto& b) { return compareNoCase(a, b) < 0; }));
            EXPECT_EQ(sortedForComparison(values), referenceValues(rows, query, field)) << field;
        }
    }
    EXPECT_GT(nonEmpty, 100) << "the random queries should mostly find something";
}

// Writes through the indexed connection's own operations are carried into its copy as they
// happen; writes through another connection leave it stale until it is prepared again. Either
// way every answer equals the reference over the rows as stored.
TEST(SearchReference, WritesOnEitherConnectionBetweenSearchesKeepTheAnswers) {
    std::mt19937 random(4711);
    SearchCatalogue catalogue;
    const std::vector<std::int64_t> playlists = {catalogue.addPlaylist("One")};
    const Libraries libraries{catalogue.addLibrary("/lib"), catalogue.addLibrary("/other")};
    std::vector<StoredRow> added;
    addRows(catalogue, random, playlists, libraries, 250, 0.05, added);
    Database& db = catalogue.database();
    ASSERT_TRUE(db.prepareSearchIndex());

    int ownWrites = 0, otherWrites = 0;
    for (int round = 0; round < 120; ++round) {
        const std::vector<StoredRow> before = storedRows(catalogue.raw());
        const StoredRow& someone = pick(random, before);
        const std::string folder = pick(random, kFolders);
        const int what = std::uniform_int_distribution<int>(0, 12)(random);
        SCOPED_TRACE(::testing::Message() << "round " << round << " write " << what);
        switch (what) {
            case 0:
                db.setFavorite(someone.id, !someone.row.favorite);
                break;
            case 1:
                db.setTypeOverride({someone.id, pick(random, before).id},
                                   chance(random, 0.7)
                                       ? std::optional<SampleType>(SampleType::OneShot)
                                       : std::nullopt);
                break;
            case 2:
                db.setFolderTypeOverride(folder, chance(random, 0.5)
                                                     ? std::optional<SampleType>(SampleType::Loop)
                                                     : std::nullopt);
                break;
            case 3:
                db.setFolderInstrumentOverride(folder, chance(random, 0.5)
                                                           ? std::optional<std::string>("Snare")
                                                           : std::nullopt);
                break;
            case 4:
                db.setFolderGenreOverride(folder, pick(random, kGenres), chance(random, 0.6));
                break;
            case 5: {
                // New files, an AppleDouble companion among them, and a rescanned one.
                std::vector<Sample> scanned;
                // Names repeat from round to round, in folders of their own.
                for (int i = 0; i < 4; ++i) {
                    Sample sample;
                    sample.filename = (i == 3 ? "._" : "") + pick(random, kWords) + " " +
                                      pick(random, Words{"Kick", "Pad"}) + ".wav";
                    sample.path = "/lib/Loops/" + std::to_string(round) + "/" + sample.filename;
                    sample.type = chance(random, 0.5) ? SampleType::Loop : SampleType::Midi;
                    sample.instrument = pick(random, kInstruments);
                    sample.genre = chance(random, 0.5) ? pick(random, kGenres) : "";
                    sample.musicalKey = pick(random, kStoredKeys);
                    if (chance(random, 0.7))
                        sample.bpm = pick(random, std::vector<int>{90, 120, 125, 300});
                    scanned.push_back(sample);
                }
                Sample again;
                again.path = someone.row.path;
                again.filename = someone.filename;
                again.type = SampleType::Unknown;
                again.instrument = "Keys";
                again.musicalKey = "C maj";
                again.duration = 3.0;
                scanned.push_back(again);
                db.upsert(scanned, someone.row.libraryId);
                break;
            }
            case 6: {
                std::vector<std::string> keep;
                for (const auto& s : before)
                    if (s.row.libraryId == libraries.other && chance(random, 0.9))
                        keep.push_back(s.row.path);
                std::size_t removed = 0;
                db.removeMissing(libraries.other, keep, removed);
                break;
            }
            case 7:
                db.setLibraryAvailable("/other", chance(random, 0.5));
                break;
            case 8:
                if (chance(random, 0.5))
                    db.addToPlaylist(playlists[0], someone.id);
                else
                    db.removeFromPlaylist(playlists[0], someone.id);
                break;
            case 9:
                catalogue.exec("UPDATE samples SET favorite=1-favorite WHERE id=" +
                               std::to_string(someone.id));
                break;
            case 12:
                // A new name in place, written on the indexed connection itself.
                db.exec("UPDATE samples SET filename='" + pick(random, kWords) +
                        " Renamed.wav' WHERE id=" + std::to_string(someone.id));
                break;
            case 10:
                addRows(catalogue, random, playlists, libraries, 3, 0.3, added);
                break;
            default:
                catalogue.exec("DELETE FROM samples WHERE id=" + std::to_string(someone.id));
                break;
        }
        const bool byAnotherConnection = what >= 9 && what <= 11;
        (byAnotherConnection ? otherWrites : ownWrites) += 1;
        EXPECT_EQ(db.searchIndexCurrent(), !byAnotherConnection);
        const std::vector<StoredRow> rows = storedRows(catalogue.raw());
        for (int query = 0; query < 4; ++query) {
            const SearchQuery q = randomQuery(random, playlists);
            SCOPED_TRACE(describe(q));
            expectSameAsReference(db, rows, q, random);
        }
        if (byAnotherConnection) {
            ASSERT_TRUE(db.prepareSearchIndex());
            const SearchQuery q = randomQuery(random, playlists);
            SCOPED_TRACE(describe(q));
            expectSameAsReference(db, rows, q, random);
        }
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_GT(ownWrites, 60);
    EXPECT_GT(otherWrites, 15);
}

// The copy is read on a connection of its own while this one keeps writing: what was written
// meanwhile is carried into it. Once most names have changed, preparing reads it afresh.
TEST(SearchReference, WritesWhileTheIndexIsReadAndAfterMostNamesChanged) {
    RandomCatalogue stored(909, 2000, 0.02);
    SearchCatalogue& catalogue = stored.catalogue;
    Database& db = catalogue.database();
    std::mt19937 random(3);
    for (int round = 0; round < 3; ++round) {
        std::atomic<bool> prepared{false};
        std::thread preparing([&] {
            db.prepareSearchIndex();
            prepared = true;
        });
        int writes = 0;
        while (!prepared || writes < 5) {
            const StoredRow& someone = pick(random, stored.rows);
            db.setFavorite(someone.id, chance(random, 0.5));
            ++writes;
        }
        preparing.join();
        if (round == 1)
            db.exec("UPDATE samples SET filename='Zed '||filename WHERE id%2=0");
        ASSERT_TRUE(db.prepareSearchIndex());
        const std::vector<StoredRow> rows = storedRows(catalogue.raw());
        for (int query = 0; query < 12; ++query) {
            SearchQuery q = randomQuery(random, {});
            SCOPED_TRACE(::testing::Message() << "round " << round << " " << describe(q));
            expectSameAsReference(db, rows, q, random);
        }
    }
}

// Every sort in both directions, with and without text, at several offsets, read from the copy.
TEST(SearchReference, EverySortGivesTheSamePagesFromTheIndex) {
    RandomCatalogue stored(3301, 300, 0.1);
    stored.catalogue.setOffline("/other", true);
    for (auto& s : stored.rows)
        s.offline = s.row.path.rfind("/other/", 0) == 0;
    Database& db = stored.catalogue.database();
    ASSERT_TRUE(db.prepareSearchIndex());
    std::mt19937 random(5);
    int found = 0;
    for (const char* text : {"", "kick", "k", "dark hard", "lib"})
        for (int sort = 0; sort < 7; ++sort)
            for (const bool tempo : {false, true}) {
                SearchQuery query;
                query.text = text;
                query.hideMidi = sort % 2 == 0;
                query.sortByName = sort == 1 || sort == 2;
                query.nameDescending = sort == 2;
                query.sortByDuration = sort == 3 || sort == 4;
                query.durationDescending = sort == 4;
                query.sortByBpm = sort == 5 || sort == 6;
                query.bpmDescending = sort == 6;
                if (tempo)
                    query.bpm = 120;
                SCOPED_TRACE(describe(query));
                found += expectSameAsReference(db, stored.rows, query, random) ? 1 : 0;
                for (const int offset : {0, 3, 40, 1000}) {
                    query.offset = offset;
                    query.limit = 9;
                    EXPECT_EQ(testing::idsOf(db.search(query)),
                              pageOf(reference(stored.rows, query), offset, 9));
                }
            }
    EXPECT_TRUE(db.searchIndexCurrent());
    EXPECT_GT(found, 50);
}

// Values the copy does not mirror (text where a number belongs) leave every query to the SQL;
// those it does mirror in their own ways (a tempo with a fraction, a whole-number duration, a
// sample without a library, a library row gone) give what the SQL gives.
TEST(SearchReference, UnusualStoredValuesGiveWhatTheSqlGives) {
    RandomCatalogue stored(77, 200, 0.0);
    SearchCatalogue& catalogue = stored.catalogue;
    catalogue.exec("PRAGMA foreign_keys=OFF");
    catalogue.exec("UPDATE samples SET bpm=120.5 WHERE id%7=0");
    catalogue.exec("UPDATE samples SET duration=2 WHERE id%5=0");
    catalogue.exec("UPDATE samples SET library_id=NULL WHERE id%11=0");
    catalogue.exec("UPDATE samples SET library_id=99 WHERE id%13=0");
    catalogue.setOffline("/other", true);
    const std::vector<std::int64_t> playlists = {catalogue.addPlaylist("Mixed")};
    for (int id = 1; id < 200; id += 3)
        catalogue.addToPlaylist(playlists[0], id, id);
    Database indexed(catalogue.file());
    ASSERT_TRUE(indexed.prepareSearchIndex());
    std::mt19937 random(12);
    const auto compare = [&](int rounds) {
        for (int round = 0; round < rounds; ++round) {
            SearchQuery query = randomQuery(random, playlists);
            query.limit = 10000;
            SCOPED_TRACE(describe(query));
            EXPECT_EQ(testing::idsOf(indexed.search(query)),
                      testing::idsOf(catalogue.database().search(query)));
            EXPECT_EQ(indexed.countMatching(query), catalogue.database().countMatching(query));
            const std::int64_t id = std::uniform_int_distribution<std::int64_t>(1, 200)(random);
            EXPECT_EQ(indexed.matchingIndex(query, id),
                      catalogue.database().matchingIndex(query, id));
        }
    };
    compare(150);
    EXPECT_TRUE(indexed.searchIndexCurrent());

    catalogue.exec("UPDATE samples SET bpm='fast' WHERE id=3");
    EXPECT_FALSE(indexed.prepareSearchIndex());
    EXPECT_FALSE(indexed.searchIndexCurrent());
    compare(40);
}

// A search of one letter or digit is answered from the first letters of the words the copy
// read of every row, without the full-text index: names, folders, genres, instruments, keys and
// types beyond ASCII (accents, other scripts, ligatures, a lone combining mark) find what the
// full-text index finds, with filters, in every order, after writes on the indexed connection,
// and with the tokenizer's judgement where the copy holds a value it cannot split.
TEST(SearchReference, OneLetterSearchesFindWhatTheFullTextIndexFinds) {
    SearchCatalogue catalogue;
    const std::int64_t lib = catalogue.addLibrary("/Lib");
    const Words names = {
        "\xc3\x89"
        "clair Kick",
        "na\xc3\xafve Pad",
        "\xc3\x84rger Bass",
        "\xc5\x93uvre Lead",
        "Stra\xc3\x9f"
        "e Hat",
        "\xce\xa9mega 808",
        "\xe6\x9d\xb1\xe4\xba\xac Loop",
        "\xef\xac\x81ll Snare",
        "x\xcc\x81 Tom",
        "\xc3\xb8 Perc 9th",
        "under_score Kick",
        "Plain Keys 120",
        "1st Chord",
        "Zz top"};
    const Words folders = {"/Lib/\xc3\x89t\xc3\xa9", "/Lib/Drums", "/Lib/\xd0\x91\xd0\xb0\xd1\x81",
                           "/Lib/Q-9"};
    const Words instruments = {"", "Kick", "\xc3\x89lectric Piano", "Bass"};
    const Words genreSets = {"", "trap", "\xc3\xa9lectro", "j-pop"};
    std::mt19937 random(99);
    for (int i = 0; i < 160; ++i) {
        SampleRow row;
        row.path = pick(random, folders) + "/" + pick(random, names) + " " + std::to_string(i) +
                   (i % 9 == 0 ? ".mid" : ".wav");
        row.type = i % 9 == 0 ? "MIDI" : pick(random, Words{"Loop", "One Shot", "Loop\xc3\xa9"});
        row.instrument = pick(random, instruments);
        row.key = pick(random, Words{"None", "A min",
                                     "\xc3\x89"
                                     "b maj"});
        if (const std::string genre = pick(random, genreSets); !genre.empty())
            row.genres = {genre};
        row.libraryId = lib;
        if (i % 3)
            row.bpm = 80 + i % 60;
        row.duration = 0.5 * (i % 7);
        catalogue.addSample(row);
    }
    Database indexed(catalogue.file());
    ASSERT_TRUE(indexed.prepareSearchIndex());
    const auto compare = [&](const std::string& text, int sort, bool filtered) {
        SearchQuery query;
        query.text = text;
        query.limit = 10000;
        query.sortByName = sort == 1;
        query.sortByDuration = sort == 2;
        query.sortByBpm = sort == 3;
        query.nameDescending = query.durationDescending = query.bpmDescending = true;
        if (filtered) {
            query.hideMidi = true;
            query.folder = "/Lib/Drums";
            query.instrument = "kick";
        }
        SCOPED_TRACE(describe(query));
        const Ids expected = testing::idsOf(catalogue.database().search(query));
        EXPECT_EQ(testing::idsOf(indexed.search(query)), expected);
        EXPECT_EQ(indexed.countMatching(query), static_cast<std::int64_t>(expected.size()));
        for (const std::int64_t id : {std::int64_t{1}, std::int64_t{77}, std::int64_t{150}})
            EXPECT_EQ(indexed.matchingIndex(query, id),
                      catalogue.database().matchingIndex(query, id));
        EXPECT_EQ(indexed.distinctFilterValues("instrument", query),
                  catalogue.database().distinctFilterValues("instrument", query));
        return !expected.empty();
    };
    int found = 0;
    for (int round = 0; round < 2; ++round) {
        for (char c = 'a'; c <= 'z'; ++c)
            found += compare(std::string(1, c), c % 4, c % 3 == 0) ? 1 : 0;
        for (char c = '0'; c <= '9'; ++c)
            found += compare(std::string(1, c), c % 4, false) ? 1 : 0;
        for (const char* text : {"E", " b ", "#", "\xc3\xa9", "o-", "x y"})
            compare(text, 0, false);
        EXPECT_TRUE(indexed.searchIndexCurrent());
        // Rows written on the indexed connection are carried into the copy with their words.
        indexed.exec(
            "UPDATE samples SET filename='\xc3\x9c"
            "ber '||filename, genre='Wave' WHERE "
            "id%5=0");
        indexed.exec("DELETE FROM samples WHERE id%11=0");
    }
    EXPECT_GT(found, 40);

    // A value the copy cannot split (a blob) leaves such searches to the full-text index.
    catalogue.exec("UPDATE samples SET genre=x'41626320' WHERE id=4");
    ASSERT_TRUE(indexed.prepareSearchIndex());
    for (const char* text : {"a", "b", "e", "u"})
        compare(text, 0, false);
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
