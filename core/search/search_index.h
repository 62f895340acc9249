#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/search/search_query.h"
#include "core/search/search_tokens.h"

struct sqlite3;

namespace sv {

// What a query needs besides the samples rows, read from the catalogue for each query in the
// same read snapshot as the rows of the index are known to match.
struct SearchIndexInputs {
    // The ids the full-text expression matches, ascending; none when the query has no text.
    std::shared_ptr<const std::vector<std::int64_t>> textMatches;
    // Ids of all library rows (a page shows only samples whose library row exists) and of the
    // offline ones, ascending.
    std::vector<std::int64_t> libraries;
    std::vector<std::int64_t> offlineLibraries;
    // Sample ids of the query's playlist, ascending; absent without a playlist.
    std::optional<std::vector<std::int64_t>> playlistMembers;
};

// Distinct strings of one column, each kept once and named by its position.
class StringTable {
  public:
    std::uint32_t intern(std::string_view value);
    std::optional<std::uint32_t> find(std::string_view value) const;
    const std::string& operator[](std::uint32_t code) const { return values_[code]; }
    std::size_t size() const { return values_.size(); }

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::vector<std::string> values_;
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> codes_;
};

// An in-memory copy of what a search reads of every sample: the file name folded as the name
// order compares it (ASCII letters in lower case; the ranking reads the same words), and the
// columns the filters and orders test, with their strings interned. Given the full-text
// matches and the small tables of the same snapshot, it answers counts, pages and positions
// exactly as the search's SQL does, without reading a samples row.
//
// Values the SQL would compare in ways the copy does not mirror (text or blobs in number
// columns, blobs in text columns, NUL characters inside texts, negative or very sparse ids)
// make the whole copy decline; the SQL then answers.
class SearchIndex {
  public:
    SearchIndex();
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // Reads every sample and its genres through `db`; the caller holds one read snapshot.
    // `cancelled` is polled now and then: when it holds, the load ends and gives nothing.
    // Throws std::runtime_error with SQLite's message when a statement fails.
    static std::unique_ptr<SearchIndex> load(sqlite3* db,
                                             const std::atomic<bool>* cancelled = nullptr);
    // Reads these samples again through `db`; an id no longer stored leaves the copy.
    void reload(sqlite3* db, std::vector<std::int64_t> ids);

    // Whether the copy mirrors the catalogue's values and the query exactly.
    bool answers(const SearchQuery& query) const;
    std::int64_t count(const SearchQuery& query, const SearchIndexInputs& inputs) const;
    // Ids of the query's page in its order.
    std::vector<std::int64_t> page(const SearchQuery& query, const SearchIndexInputs& inputs) const;
    std::optional<std::int64_t> position(const SearchQuery& query, const SearchIndexInputs& inputs,
                                         std::int64_t sampleId) const;
    // The distinct non-blank values of "instrument", "genre" or "key" among the matches, in
    // case-insensitive order (values equal but for case in byte order).
    std::vector<std::string> distinctValues(const std::string& field, const SearchQuery& query,
                                            const SearchIndexInputs& inputs) const;

    // Whether the first letters of every row's words are known (see idsWithWordInitial).
    bool knowsWordInitials() const { return usable_ && wordInitialsKnown_; }
    // Ids, ascending, of the rows the full-text search for a one-letter prefix finds: those
    // with a word in their name, path, type, genre, instrument or key that begins with `letter`
    // (an ASCII letter or digit), the words split and folded as the full-text index does.
    std::vector<std::int64_t> idsWithWordInitial(char letter) const;

    std::size_t sampleCount() const { return liveRows_; }
    std::size_t memoryBytes() const;

    // Whether enough rows changed since the load that a fresh load would answer faster.
    bool wornOut() const;

  private:
    struct Hot;
    struct Cold;
    struct Parsed;
    struct Plan;
    struct Candidate;
    class Reader;
    friend class Reader;

    void store(const Parsed& parsed, std::vector<std::uint32_t> genres);
    void erase(std::int64_t id);
    std::optional<std::uint32_t> slotOf(std::int64_t id) const;
    std::string_view nameOf(std::uint32_t slot) const;
    std::uint32_t internGenreSet(std::vector<std::uint32_t> genres);
    void rankNames();
    void compactNames();
    Plan planFor(const SearchQuery& query, const SearchIndexInputs& inputs) const;
    bool passes(std::uint32_t slot, const Plan& plan) const;
    template <typename Visit>
    void forEachMatch(const Plan& plan, const SearchIndexInputs& inputs, Visit&& visit) const;
    const std::vector<std::uint32_t>& matches(const SearchQuery& query,
                                              const SearchIndexInputs& inputs) const;
    std::vector<Candidate> candidates(const SearchQuery& query,
                                      const SearchIndexInputs& inputs) const;
    int compareNames(const Candidate& a, const Candidate& b) const;
    std::vector<std::int64_t> pageInNameOrder(const SearchQuery& query,
                                              const SearchIndexInputs& inputs) const;

    bool usable_ = true;
    // Per slot: what every match reads, and what only filters and sorts read.
    std::vector<Hot> hot_;
    std::vector<Cold> cold_;
    std::vector<NameInitials> initials_;
    // Per slot: a bit for each ASCII letter and digit that begins one of the row's words in the
    // full-text index, and one for words that begin with anything else.
    std::vector<std::uint64_t> wordInitials_;
    bool wordInitialsKnown_ = true;
    std::vector<std::uint32_t> slotOfId_;
    std::size_t liveRows_ = 0;
    std::size_t unrankedRows_ = 0;
    // The slots in the order of their ranks, and those that lost their rank since (perhaps
    // twice, perhaps ranked again by now).
    std::vector<std::uint32_t> byName_;
    std::vector<std::uint32_t> unrankedSlots_;
    // Names too long to be kept inside their row.
    std::string names_;
    std::size_t staleNameBytes_ = 0;
    StringTable types_;
    StringTable instruments_;
    StringTable keys_;
    std::vector<std::string> keyCompared_;  // each key as the key filter compares it
    StringTable folders_;
    StringTable genres_;
    std::vector<std::vector<std::uint32_t>> genreSets_;
    std::unordered_map<std::string, std::uint32_t> genreSetCodes_;
    std::vector<std::int64_t> libraryIds_;
    std::unordered_map<std::int64_t, std::uint32_t> libraryCodes_;
    // Changes with every row stored or erased.
    std::uint64_t version_ = 0;
    // The rows that passed the last query's predicates (the top bit marks those whose library
    // row exists): a refresh counts, then reads a page and perhaps a position of the same ones.
    struct LastMatches {
        std::string key;
        std::uint64_t version = 0;
        SearchIndexInputs inputs;
        std::vector<std::uint32_t> slots;
    };
    mutable std::optional<LastMatches> lastMatches_;
};

}  // namespace sv
