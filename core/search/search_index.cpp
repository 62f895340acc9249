#include "core/search/search_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "core/catalogue/statement.h"
#include "core/inference/instrument_normalization.h"
#include "core/search/search_sql.h"
#include "core/search/search_tokens.h"

namespace sv {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// Types and libraries are few; a catalogue with more distinct ones is left to the SQL.
constexpr std::uint16_t kNoCode = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint32_t kUnranked = std::numeric_limits<std::uint32_t>::max();
// Ids index a plain vector; a catalogue whose ids reach beyond this is left to the SQL.
constexpr std::int64_t kLargestId = 16'000'000;
// Integers beyond this do not survive the trip through a double.
constexpr std::int64_t kLargestExactInteger = std::int64_t{1} << 53;

constexpr const char* kRowColumns =
    "SELECT id,filename,type,library_id,bpm,duration,favorite,instrument,musical_key,path,genre "
    "FROM samples";
// The columns the full-text index holds, in kRowColumns (its last column, tags, is always empty).
constexpr std::array<int, 6> kFullTextColumns = {1, 9, 2, 10, 7, 8};
constexpr const char* kGenreRows = "SELECT sample_id,genre FROM sample_genres ORDER BY sample_id";
constexpr const char* kGenresOfSample =
    "SELECT sample_id,genre FROM sample_genres WHERE sample_id=?";
// The key filter's own spelling of a stored key, worked out by SQLite itself.
constexpr const char* kComparedKey = "SELECT replace(lower(?),' ','')";

enum Flag : std::uint8_t {
    kAlive = 1,
    kHasBpm = 2,
    kHasDuration = 4,
    kFavorite = 8,
    kAppleDouble = 16,
};

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

std::string_view columnText(sqlite3_stmt* statement, int column) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const int length = sqlite3_column_bytes(statement, column);
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(length)) : std::string_view();
}

std::vector<std::string> genreListOf(const SearchQuery& query) {
    if (!query.genres.empty())
        return query.genres;
    if (!query.genre.empty())
        return {query.genre};
    return {};
}

// SQLite's NOCASE: ASCII letters folded, then the bytes and the lengths.
bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

// Whether the path of a file directly inside `parent` lies below `folder`: it begins with the
// folder path followed by "/".
bool parentBelow(std::string_view parent, std::string_view folder) {
    if (parent.size() < folder.size() || parent.compare(0, folder.size(), folder) != 0)
        return false;
    return parent.size() == folder.size() || parent[folder.size()] == '/';
}

bool sortedHolds(const std::vector<std::int64_t>& ids, std::int64_t id) {
    return std::binary_search(ids.begin(), ids.end(), id);
}

// A word's first byte as a bit of the word initials: ASCII letters (either case) and digits
// have their own, anything else shares the last.
constexpr int kOtherInitial = 36;
int initialBit(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= '0' && c <= '9')
        return 26 + (c - '0');
    return -1;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The full-text index's tokenizer splits ASCII text into runs of letters and digits.
std::uint64_t asciiWordInitials(std::string_view text) {
    std::uint64_t bits = 0;
    bool inWord = false;
    for (const char c : text) {
        const int bit = initialBit(static_cast<unsigned char>(c));
        if (bit >= 0 && !inWord)
            bits |= std::uint64_t{1} << bit;
        inWord = bit >= 0;
    }
    return bits;
}

// The full-text index's own tokenizer, for text beyond ASCII: its letters, their case and
// accents are its own to judge.
class FullTextTokenizer {
  public:
    explicit FullTextTokenizer(sqlite3* db) {
        fts5_api* api = nullptr;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
            sqlite3_step(statement);
        }
        sqlite3_finalize(statement);
        void* context = nullptr;
        if (!api || api->iVersion < 2 ||
            api->xFindTokenizer(api, "unicode61", &context, &module_) != SQLITE_OK ||
            module_.xCreate(context, nullptr, 0, &tokenizer_) != SQLITE_OK)
            tokenizer_ = nullptr;
    }
    ~FullTextTokenizer() {
        if (tokenizer_)
            module_.xDelete(tokenizer_);
    }
    FullTextTokenizer(const FullTextTokenizer&) = delete;
    FullTextTokenizer& operator=(const FullTextTokenizer&) = delete;

    // Empty when the tokenizer is not at hand.
    std::optional<std::uint64_t> wordInitials(std::string_view text) {
        if (!tokenizer_ || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return std::nullopt;
        std::uint64_t bits = 0;
        if (module_.xTokenize(tokenizer_, &bits, FTS5_TOKENIZE_DOCUMENT, text.data(),
                              static_cast<int>(text.size()), &FullTextTokenizer::word) != SQLITE_OK)
            return std::nullopt;
        return bits;
    }

  private:
    static int word(void* context, int, const char* token, int length, int, int) {
        if (length > 0) {
            const int bit = initialBit(static_cast<unsigned char>(token[0]));
            *static_cast<std::uint64_t*>(context) |= std::uint64_t{1}
                                                     << (bit >= 0 ? bit : kOtherInitial);
        }
        return SQLITE_OK;
    }

    fts5_tokenizer module_{};
    Fts5Tokenizer* tokenizer_ = nullptr;
};

}  // namespace

std::uint32_t StringTable::intern(std::string_view value) {
    if (const auto found = codes_.find(value); found != codes_.end())
        return found->second;
    const auto code = static_cast<std::uint32_t>(values_.size());
    values_.emplace_back(value);
    codes_.emplace(values_.back(), code);
    return code;
}

std::optional<std::uint32_t> StringTable::find(std::string_view value) const {
    if (const auto found = codes_.find(value); found != codes_.end())
        return found->second;
    return std::nullopt;
}

// What every match reads: its state, type, library and the name as the name order compares it,
// inside the row when it fits. One cache line.
struct SearchIndex::Hot {
    static constexpr std::size_t kInlineName = 49;
    // The row's place in the order of (name, id) at the last load; changed rows have none.
    std::uint32_t nameRank = kUnranked;
    std::uint32_t nameOffset = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t type = kNoCode;
    std::uint16_t library = kNoCode;
    std::uint8_t flags = 0;
    std::array<char, kInlineName> inlineName{};
};

// What only the filters and sorts read.
struct SearchIndex::Cold {
    std::int64_t id = 0;
    double bpm = 0;
    double duration = 0;
    std::uint32_t instrument = kNone;
    std::uint32_t key = kNone;
    std::uint32_t folder = kNone;
    std::uint32_t genres = 0;
};

struct SearchIndex::Parsed {
    Hot hot;
    Cold cold;
    std::string name;  // folded
    std::uint64_t wordInitials = 0;
};

// Reads samples rows into the index's shapes; marks the index unusable on a value it does not
// mirror.
class SearchIndex::Reader {
  public:
    Reader(sqlite3* db, SearchIndex& index)
        : index_(index), comparedKey_(db, kComparedKey), tokenizer_(db) {
        lastCodes_.fill(kNone);
    }

    // The row the statement stands on (columns as kRowColumns), without its genres.
    const Parsed& read(sqlite3_stmt* s) {
        Parsed& row = parsed_;
        row.hot = Hot{};
        row.cold = Cold{};
        row.cold.id = sqlite3_column_int64(s, 0);
        row.hot.flags = kAlive;
        const int nameType = sqlite3_column_type(s, 1);
        const std::string_view name = columnText(s, 1);
        if (nameType != SQLITE_TEXT || holdsNul(name) ||
            name.size() > std::numeric_limits<std::uint16_t>::max())
            index_.usable_ = false;
        row.name.assign(name);
        for (char& c : row.name)
            c = foldAscii(c);
        if (name.size() >= 2 && name[0] == '.' && name[1] == '_')
            row.hot.flags |= kAppleDouble;
        row.hot.type = smallCode(internText(s, 2, index_.types_));
        row.hot.library = smallCode(libraryCode(s, 3));
        if (readNumber(s, 4, row.cold.bpm))
            row.hot.flags |= kHasBpm;
        if (readNumber(s, 5, row.cold.duration))
            row.hot.flags |= kHasDuration;
        if (favorite(s, 6))
            row.hot.flags |= kFavorite;
        row.cold.instrument = internText(s, 7, index_.instruments_);
        row.cold.key = keyCode(s, 8);
        row.cold.folder = folderCode(s, 9);
        row.wordInitials = wordInitials(s);
        return row;
    }

  private:
    // The first letters of the words the full-text index holds for the row.
    std::uint64_t wordInitials(sqlite3_stmt* s) {
        std::uint64_t bits = 0;
        for (const int column : kFullTextColumns) {
            const int type = sqlite3_column_type(s, column);
            if (type == SQLITE_NULL)
                continue;
            if (type != SQLITE_TEXT) {
                index_.wordInitialsKnown_ = false;
                continue;
            }
            const std::string_view text = columnText(s, column);
            if (isAscii(text)) {
                bits |= asciiWordInitials(text);
            } else if (const auto initials = tokenizer_.wordInitials(text)) {
                bits |= *initials;
            } else {
                index_.wordInitialsKnown_ = false;
            }
        }
        return bits;
    }

    std::uint16_t smallCode(std::uint32_t code) {
        if (code == kNone)
            return kNoCode;
        if (code >= kNoCode) {
            index_.usable_ = false;
            return kNoCode;
        }
        return static_cast<std::uint16_t>(code);
    }

    // A text column's interned code; kNone for NULL. Rows next to each other often share
    // their values, so the last code of each column is tried first.
    std::uint32_t internText(sqlite3_stmt* s, int column, StringTable& table) {
        const int type = sqlite3_column_type(s, column);
        if (type == SQLITE_NULL)
            return kNone;
        const std::string_view text = columnText(s, column);
        if (type != SQLITE_TEXT || holdsNul(text)) {
            index_.usable_ = false;
            return kNone;
        }
        std::uint32_t& last = lastCodes_[static_cast<std::size_t>(column)];
        if (last != kNone && table[last] == text)
            return last;
        last = table.intern(text);
        return last;
    }

    std::uint32_t keyCode(sqlite3_stmt* s, int column) {
        const std::size_t known = index_.keys_.size();
        const std::uint32_t code = internText(s, column, index_.keys_);
        if (code != kNone && code >= known) {
            comparedKey_.reset();
            comparedKey_.bind(1, std::string_view(index_.keys_[code]));
            comparedKey_.step();
            index_.keyCompared_.push_back(comparedKey_.text(0));
        }
        return code;
    }

    std::uint32_t folderCode(sqlite3_stmt* s, int column) {
        const std::string_view path = columnText(s, column);
        if (sqlite3_column_type(s, column) != SQLITE_TEXT) {
            index_.usable_ = false;
            return kNone;
        }
        const auto slash = path.rfind('/');
        if (slash == std::string_view::npos)
            return kNone;
        const std::string_view parent = path.substr(0, slash);
        if (lastFolder_ != kNone && index_.folders_[lastFolder_] == parent)
            return lastFolder_;
        lastFolder_ = index_.folders_.intern(parent);
        return lastFolder_;
    }

    std::uint32_t libraryCode(sqlite3_stmt* s, int column) {
        const int type = sqlite3_column_type(s, column);
        if (type == SQLITE_NULL)
            return kNone;
        if (type != SQLITE_INTEGER) {
            index_.usable_ = false;
            return kNone;
        }
        const std::int64_t id = sqlite3_column_int64(s, column);
        const auto [at, added] = index_.libraryCodes_.try_emplace(
            id, static_cast<std::uint32_t>(index_.libraryIds_.size()));
        if (added)
            index_.libraryIds_.push_back(id);
        return at->second;
    }

    // A number column: false for NULL; text and blobs are not mirrored.
    bool readNumber(sqlite3_stmt* s, int column, double& value) {
        switch (sqlite3_column_type(s, column)) {
            case SQLITE_NULL:
                return false;
            case SQLITE_INTEGER: {
                const std::int64_t integer = sqlite3_column_int64(s, column);
                if (integer > kLargestExactInteger || integer < -kLargestExactInteger)
                    index_.usable_ = false;
                value = static_cast<double>(integer);
                return true;
            }
            case SQLITE_FLOAT:
                value = sqlite3_column_double(s, column);
                return true;
            default:
                index_.usable_ = false;
                return false;
        }
    }

    // "favorite=1": a number equal to one; text and blobs never equal a number.
    static bool favorite(sqlite3_stmt* s, int column) {
        const int type = sqlite3_column_type(s, column);
        if (type == SQLITE_INTEGER)
            return sqlite3_column_int64(s, column) == 1;
        if (type == SQLITE_FLOAT)
            return sqlite3_column_double(s, column) == 1.0;
        return false;
    }

    SearchIndex& index_;
    Statement comparedKey_;
    FullTextTokenizer tokenizer_;
    Parsed parsed_;
    std::array<std::uint32_t, 10> lastCodes_{};
    std::uint32_t lastFolder_ = kNone;
};

SearchIndex::SearchIndex() {
    static_assert(sizeof(Hot) == 64, "one cache line per row");
    genreSets_.emplace_back();
    genreSetCodes_.emplace(std::string(), 0);
}

SearchIndex::~SearchIndex() = default;

std::unique_ptr<SearchIndex> SearchIndex::load(sqlite3* db, const std::atomic<bool>* cancelled) {
    auto index = std::make_unique<SearchIndex>();
    // Genre rows in sample order, merged with the samples read in the same order.
    std::vector<std::pair<std::int64_t, std::uint32_t>> genreRows;
    {
        Statement genres(db, kGenreRows);
        while (genres.step()) {
            sqlite3_stmt* s = genres.handle();
            if (sqlite3_column_type(s, 0) != SQLITE_INTEGER)
                continue;  // never equal to a sample id
            const std::string_view genre = columnText(s, 1);
            if (sqlite3_column_type(s, 1) != SQLITE_TEXT || holdsNul(genre)) {
                index->usable_ = false;
                continue;
            }
            genreRows.emplace_back(sqlite3_column_int64(s, 0), index->genres_.intern(genre));
        }
    }
    // Room for every row at once: growing the vectors row by row would copy them and leave
    // half of them unused.
    {
        Statement largest(db, "SELECT max(id) FROM samples");
        if (largest.step() && !largest.isNull(0)) {
            const std::int64_t ids =
                std::clamp<std::int64_t>(largest.int64(0) + 1, 0, kLargestId + 1);
            const auto rows = static_cast<std::size_t>(ids);
            index->hot_.reserve(rows);
            index->cold_.reserve(rows);
            index->initials_.reserve(rows);
            index->wordInitials_.reserve(rows);
            index->slotOfId_.reserve(rows);
        }
    }
    Reader reader(db, *index);
    Statement rows(db, std::string(kRowColumns) + " ORDER BY id");
    std::size_t nextGenre = 0;
    std::size_t count = 0;
    while (rows.step() && index->usable_) {
        if (cancelled && (++count & 4095) == 0 && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        const Parsed& row = reader.read(rows.handle());
        std::vector<std::uint32_t> genres;
        while (nextGenre < genreRows.size() && genreRows[nextGenre].first < row.cold.id)
            ++nextGenre;
        for (; nextGenre < genreRows.size() && genreRows[nextGenre].first == row.cold.id;
             ++nextGenre)
            genres.push_back(genreRows[nextGenre].second);
        index->store(row, std::move(genres));
    }
    if (cancelled && cancelled->load(std::memory_order_relaxed))
        return nullptr;
    index->rankNames();
    return index;
}

void SearchIndex::reload(sqlite3* db, std::vector<std::int64_t> ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    Reader reader(db, *this);
    Statement rows(db, std::string(kRowColumns) + " WHERE id=?");
    Statement genres(db, kGenresOfSample);
    for (const std::int64_t id : ids) {
        rows.reset();
        rows.bind(1, id);
        if (!rows.step()) {
            erase(id);
            continue;
        }
        const Parsed& row = reader.read(rows.handle());
        std::vector<std::uint32_t> codes;
        genres.reset();
        genres.bind(1, id);
        while (genres.step()) {
            const std::string_view genre = columnText(genres.handle(), 1);
            if (sqlite3_column_type(genres.handle(), 1) != SQLITE_TEXT || holdsNul(genre))
                usable_ = false;
            else
                codes.push_back(genres_.intern(genre));
        }
        store(row, std::move(codes));
    }
    if (staleNameBytes_ > (std::size_t{1} << 20) && staleNameBytes_ > names_.size() / 2)
        compactNames();
}

bool SearchIndex::wornOut() const {
    return unrankedRows_ > std::max<std::size_t>(1000, liveRows_ / 4);
}

std::optional<std::uint32_t> SearchIndex::slotOf(std::int64_t id) const {
    if (id < 0 || static_cast<std::uint64_t>(id) >= slotOfId_.size())
        return std::nullopt;
    const std::uint32_t slot = slotOfId_[static_cast<std::size_t>(id)];
    if (slot == kNone || !(hot_[slot].flags & kAlive))
        return std::nullopt;
    return slot;
}

std::string_view SearchIndex::nameOf(std::uint32_t slot) const {
    const Hot& hot = hot_[slot];
    if (hot.nameLength <= Hot::kInlineName)
        return std::string_view(hot.inlineName.data(), hot.nameLength);
    return std::string_view(names_).substr(hot.nameOffset, hot.nameLength);
}

std::uint32_t SearchIndex::internGenreSet(std::vector<std::uint32_t> genres) {
    std::sort(genres.begin(), genres.end());
    genres.erase(std::unique(genres.begin(), genres.end()), genres.end());
    std::string key(genres.size() * sizeof(std::uint32_t), '\0');
    if (!genres.empty())
        std::memcpy(key.data(), genres.data(), key.size());
    const auto [at, added] =
        genreSetCodes_.try_emplace(std::move(key), static_cast<std::uint32_t>(genreSets_.size()));
    if (added)
        genreSets_.push_back(std::move(genres));
    return at->second;
}

void SearchIndex::store(const Parsed& parsed, std::vector<std::uint32_t> genres) {
    ++version_;
    const std::int64_t id = parsed.cold.id;
    if (id < 0 || id > kLargestId) {
        usable_ = false;
        return;
    }
    Hot hot = parsed.hot;
    Cold cold = parsed.cold;
    cold.genres = internGenreSet(std::move(genres));
    const auto index = static_cast<std::size_t>(id);
    if (index >= slotOfId_.size())
        slotOfId_.resize(std::max(index + 1, std::min(slotOfId_.capacity(),
                                                      slotOfId_.size() + slotOfId_.size() / 2)),
                         kNone);
    std::uint32_t& slot = slotOfId_[index];
    if (slot != kNone && (hot_[slot].flags & kAlive)) {
        // The same name keeps its place in the name order.
        const Hot& old = hot_[slot];
        if (nameOf(slot) == parsed.name) {
            hot.nameRank = old.nameRank;
        } else if (old.nameRank != kUnranked) {
            ++unrankedRows_;
            unrankedSlots_.push_back(slot);
        }
        if (old.nameLength > Hot::kInlineName)
            staleNameBytes_ += old.nameLength;
    } else {
        ++liveRows_;
        ++unrankedRows_;
    }
    hot.nameLength = static_cast<std::uint16_t>(parsed.name.size());
    if (parsed.name.size() <= Hot::kInlineName) {
        std::memcpy(hot.inlineName.data(), parsed.name.data(), parsed.name.size());
    } else {
        std::memcpy(hot.inlineName.data(), parsed.name.data(), Hot::kInlineName);
        hot.nameOffset = static_cast<std::uint32_t>(names_.size());
        names_.append(parsed.name);
    }
    if (slot == kNone) {
        slot = static_cast<std::uint32_t>(hot_.size());
        hot_.push_back(hot);
        cold_.push_back(cold);
        initials_.push_back(nameInitials(parsed.name));
        wordInitials_.push_back(parsed.wordInitials);
        unrankedSlots_.push_back(slot);
        return;
    }
    if (hot.nameRank == kUnranked)
        unrankedSlots_.push_back(slot);
    hot_[slot] = hot;
    cold_[slot] = cold;
    initials_[slot] = nameInitials(parsed.name);
    wordInitials_[slot] = parsed.wordInitials;
}

void SearchIndex::erase(std::int64_t id) {
    const auto slot = slotOf(id);
    if (!slot)
        return;
    ++version_;
    Hot& hot = hot_[*slot];
    if (hot.nameLength > Hot::kInlineName)
        staleNameBytes_ += hot.nameLength;
    if (hot.nameRank == kUnranked)
        --unrankedRows_;
    hot.flags = 0;
    wordInitials_[*slot] = 0;
    --liveRows_;
}

std::vector<std::int64_t> SearchIndex::idsWithWordInitial(char letter) const {
    std::vector<std::int64_t> ids;
    const int bit = initialBit(static_cast<unsigned char>(letter));
    if (bit < 0)
        return ids;
    // A row gone has no initials, so the liveness of each row need not be read.
    const std::uint64_t wanted = std::uint64_t{1} << bit;
    for (std::size_t id = 0; id < slotOfId_.size(); ++id)
        if (const std::uint32_t slot = slotOfId_[id];
            slot != kNone && (wordInitials_[slot] & wanted))
            ids.push_back(static_cast<std::int64_t>(id));
    return ids;
}

// The order of (name, id) over every live row, kept as each row's rank, so that sorting by name
// and breaking ties by name compare two numbers.
void SearchIndex::rankNames() {
    // The first sixteen bytes of each name as two numbers that compare as the bytes do, so that
    // most comparisons need not read the names.
    struct Keyed {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        std::uint32_t slot = 0;
    };
    const auto keyed = [this](std::uint32_t slot) {
        const std::string_view name = nameOf(slot);
        Keyed key;
        key.slot = slot;
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint64_t byte = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
            (i < 8 ? key.high : key.low) = ((i < 8 ? key.high : key.low) << 8) | byte;
        }
        return key;
    };
    std::vector<Keyed> order;
    order.reserve(liveRows_);
    for (std::uint32_t slot = 0; slot < hot_.size(); ++slot)
        if (hot_[slot].flags & kAlive)
            order.push_back(keyed(slot));
    std::sort(order.begin(), order.end(), [this](const Keyed& a, const Keyed& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        const int names = nameOf(a.slot).compare(nameOf(b.slot));
        if (names != 0)
            return names < 0;
        return cold_[a.slot].id < cold_[b.slot].id;
    });
    byName_.clear();
    byName_.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        hot_[order[i].slot].nameRank = static_cast<std::uint32_t>(i);
        byName_.push_back(order[i].slot);
    }
    unrankedRows_ = 0;
    unrankedSlots_.clear();
}

void SearchIndex::compactNames() {
    std::string compacted;
    compacted.reserve(names_.size() - staleNameBytes_);
    for (std::uint32_t slot = 0; slot < hot_.size(); ++slot) {
        Hot& hot = hot_[slot];
        if (!(hot.flags & kAlive) || hot.nameLength <= Hot::kInlineName)
            continue;
        const std::string_view name = nameOf(slot);
        hot.nameOffset = static_cast<std::uint32_t>(compacted.size());
        compacted.append(name);
    }
    names_ = std::move(compacted);
    staleNameBytes_ = 0;
}

std::size_t SearchIndex::memoryBytes() const {
    std::size_t bytes = hot_.capacity() * sizeof(Hot) + cold_.capacity() * sizeof(Cold) +
                        initials_.capacity() * sizeof(NameInitials) +
                        wordInitials_.capacity() * sizeof(std::uint64_t) +
                        slotOfId_.capacity() * sizeof(std::uint32_t) + names_.capacity();
    for (const StringTable* table : {&types_, &instruments_, &keys_, &folders_, &genres_})
        for (std::size_t i = 0; i < table->size(); ++i)
            bytes += 2 * ((*table)[static_cast<std::uint32_t>(i)].size() + 48);
    for (const auto& set : genreSets_)
        bytes += set.capacity() * sizeof(std::uint32_t) + 80;
    return bytes;
}

// The query worked out against the interned values once, so that each row is tested by
// table lookups.
struct SearchIndex::Plan {
    bool nothing = false;
    bool hideMidi = false;
    std::uint16_t midi = kNoCode;
    std::optional<std::uint16_t> type;
    bool favoritesOnly = false;
    std::vector<char> libraryPasses;
    std::vector<char> libraryJoins;
    bool noLibraryPasses = true;
    // Filters that read the cold part of a row.
    bool cold = false;
    bool instrument = false;
    std::vector<char> instrumentPasses;
    bool tempo = false;
    double low = 0;
    double high = 0;
    bool key = false;
    std::vector<char> keyPasses;
    bool genres = false;
    std::vector<char> genreSetPasses;
    bool folder = false;
    std::vector<char> folderPasses;
    const std::vector<std::int64_t>* playlist = nullptr;
};

bool SearchIndex::answers(const SearchQuery& query) const {
    return usable_ && !holdsNul(query.folder);
}

SearchIndex::Plan SearchIndex::planFor(const SearchQuery& query,
                                       const SearchIndexInputs& inputs) const {
    Plan plan;
    plan.hideMidi = query.hideMidi;
    if (const auto midi = types_.find("MIDI"))
        plan.midi = static_cast<std::uint16_t>(*midi);
    if (!query.type.empty()) {
        if (const auto type = types_.find(query.type))
            plan.type = static_cast<std::uint16_t>(*type);
        else
            plan.nothing = true;
    }
    plan.favoritesOnly = query.favoritesOnly;
    plan.libraryPasses.resize(libraryIds_.size());
    plan.libraryJoins.resize(libraryIds_.size());
    for (std::size_t i = 0; i < libraryIds_.size(); ++i) {
        plan.libraryPasses[i] = !sortedHolds(inputs.offlineLibraries, libraryIds_[i]);
        plan.libraryJoins[i] = sortedHolds(inputs.libraries, libraryIds_[i]);
    }
    // "library_id NOT IN (offline ids)" is unknown, so false, for a NULL id once any exists.
    plan.noLibraryPasses = inputs.offlineLibraries.empty();
    if (!query.instrument.empty()) {
        const std::string wanted = normalizedInstrument(query.instrument);
        plan.instrument = true;
        plan.instrumentPasses.resize(instruments_.size());
        for (std::size_t i = 0; i < instruments_.size(); ++i)
            plan.instrumentPasses[i] =
                equalNoCase(instruments_[static_cast<std::uint32_t>(i)], wanted);
    }
    if (query.bpm) {
        const auto [low, high] = tempoWindow(*query.bpm);
        plan.tempo = true;
        plan.low = static_cast<double>(low);
        plan.high = static_cast<double>(high);
    }
    if (!query.key.empty()) {
        const auto candidates = keyCandidates(query.key);
        plan.key = true;
        plan.keyPasses.resize(keyCompared_.size());
        for (std::size_t i = 0; i < keyCompared_.size(); ++i)
            plan.keyPasses[i] = std::find(candidates.begin(), candidates.end(), keyCompared_[i]) !=
                                candidates.end();
    }
    if (const auto wanted = genreListOf(query); !wanted.empty()) {
        std::vector<char> genrePasses(genres_.size());
        for (std::size_t i = 0; i < genres_.size(); ++i)
            genrePasses[i] = std::any_of(wanted.begin(), wanted.end(), [&](const std::string& g) {
                return equalNoCase(genres_[static_cast<std::uint32_t>(i)], g);
            });
        plan.genres = true;
        plan.genreSetPasses.resize(genreSets_.size());
        for (std::size_t i = 0; i < genreSets_.size(); ++i)
            plan.genreSetPasses[i] =
                std::any_of(genreSets_[i].begin(), genreSets_[i].end(),
                            [&](std::uint32_t genre) { return genrePasses[genre] != 0; });
    }
    if (!query.folder.empty()) {
        plan.folder = true;
        plan.folderPasses.resize(folders_.size());
        for (std::size_t i = 0; i < folders_.size(); ++i)
            plan.folderPasses[i] =
                parentBelow(folders_[static_cast<std::uint32_t>(i)], query.folder);
    }
    if (query.playlistId) {
        plan.playlist = inputs.playlistMembers ? &*inputs.playlistMembers : nullptr;
        plan.nothing = plan.nothing || !plan.playlist;
    }
    plan.cold =
        plan.instrument || plan.tempo || plan.key || plan.genres || plan.folder || plan.playlist;
    return plan;
}

bool SearchIndex::passes(std::uint32_t slot, const Plan& plan) const {
    const Hot& hot = hot_[slot];
    if (hot.flags & kAppleDouble)
        return false;
    if (hot.library == kNoCode ? !plan.noLibraryPasses : !plan.libraryPasses[hot.library])
        return false;
    if (plan.hideMidi && (hot.type == kNoCode || hot.type == plan.midi))
        return false;
    if (plan.type && hot.type != *plan.type)
        return false;
    if (plan.favoritesOnly && !(hot.flags & kFavorite))
        return false;
    if (!plan.cold)
        return true;
    const Cold& cold = cold_[slot];
    if (plan.instrument && (cold.instrument == kNone || !plan.instrumentPasses[cold.instrument]))
        return false;
    if (plan.tempo && (!(hot.flags & kHasBpm) || cold.bpm < plan.low || cold.bpm > plan.high))
        return false;
    if (plan.key && (cold.key == kNone || !plan.keyPasses[cold.key]))
        return false;
    if (plan.genres && !plan.genreSetPasses[cold.genres])
        return false;
    if (plan.folder && (cold.folder == kNone || !plan.folderPasses[cold.folder]))
        return false;
    return !plan.playlist || sortedHolds(*plan.playlist, cold.id);
}

// Calls visit(slot, joined) for every live row that passes the query's predicates; `joined`
// tells whether its library row exists, which a page and a position require and a count not.
template <typename Visit>
void SearchIndex::forEachMatch(const Plan& plan, const SearchIndexInputs& inputs,
                               Visit&& visit) const {
    if (plan.nothing)
        return;
    const auto test = [&](std::uint32_t slot) {
        if (!passes(slot, plan))
            return;
        const std::uint16_t library = hot_[slot].library;
        visit(slot, library != kNoCode && plan.libraryJoins[library]);
    };
    if (inputs.textMatches) {
        // The matches are scattered over the rows: each row is asked for well before it is
        // read, so that the wait for memory overlaps the work on the rows before it.
        constexpr std::size_t kAhead = 12;
        const std::vector<std::int64_t>& ids = *inputs.textMatches;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (i + kAhead < ids.size()) {
                const std::int64_t ahead = ids[i + kAhead];
                if (ahead >= 0 && static_cast<std::uint64_t>(ahead) < slotOfId_.size())
                    if (const std::uint32_t slot = slotOfId_[static_cast<std::size_t>(ahead)];
                        slot != kNone) {
                        __builtin_prefetch(&hot_[slot]);
                        if (plan.cold)
                            __builtin_prefetch(&cold_[slot]);
                    }
            }
            if (const auto slot = slotOf(ids[i]))
                test(*slot);
        }
        return;
    }
    for (std::uint32_t slot = 0; slot < hot_.size(); ++slot)
        if (hot_[slot].flags & kAlive)
            test(slot);
}

namespace {

constexpr std::uint32_t kJoined = std::uint32_t{1} << 31;

bool sameInputs(const SearchIndexInputs& a, const SearchIndexInputs& b) {
    return a.textMatches == b.textMatches && a.libraries == b.libraries &&
           a.offlineLibraries == b.offlineLibraries && a.playlistMembers == b.playlistMembers;
}

}  // namespace

// The slots of the rows that pass the query, kept for the next call of the same query.
const std::vector<std::uint32_t>& SearchIndex::matches(const SearchQuery& query,
                                                       const SearchIndexInputs& inputs) const {
    std::string key = queryFilterKey(query);
    if (lastMatches_ && lastMatches_->version == version_ && lastMatches_->key == key &&
        sameInputs(lastMatches_->inputs, inputs))
        return lastMatches_->slots;
    lastMatches_.reset();
    LastMatches last{std::move(key), version_, inputs, {}};
    last.slots.reserve(inputs.textMatches ? inputs.textMatches->size() : liveRows_);
    forEachMatch(planFor(query, inputs), inputs, [&](std::uint32_t slot, bool joined) {
        last.slots.push_back(joined ? slot | kJoined : slot);
    });
    lastMatches_ = std::move(last);
    return lastMatches_->slots;
}

std::int64_t SearchIndex::count(const SearchQuery& query, const SearchIndexInputs& inputs) const {
    return static_cast<std::int64_t>(matches(query, inputs).size());
}

// One row of a page in the making: what its order compares first, then its name and id.
struct SearchIndex::Candidate {
    double value = 0;
    std::uint32_t slot = 0;
    std::uint32_t nameRank = kUnranked;
    bool missing = false;  // no duration or tempo: last in both directions
};

namespace {

enum class OrderKind { Name, Duration, Bpm, TempoDistance, Rank, Default };

OrderKind orderKindOf(const SearchQuery& query) {
    if (query.sortByName)
        return OrderKind::Name;
    if (query.sortByDuration)
        return OrderKind::Duration;
    if (query.sortByBpm)
        return OrderKind::Bpm;
    if (query.bpm)
        return OrderKind::TempoDistance;
    if (!searchTokens(query.text).empty())
        return OrderKind::Rank;
    return OrderKind::Default;
}

}  // namespace

std::vector<SearchIndex::Candidate> SearchIndex::candidates(const SearchQuery& query,
                                                            const SearchIndexInputs& inputs) const {
    const OrderKind kind = orderKindOf(query);
    std::optional<FilenameRanker> ranker;
    // A one-letter search ranks from the names' initials, without reading the names.
    std::optional<std::string> oneLetter;
    if (kind == OrderKind::Rank) {
        ranker.emplace(query.text);
        if (auto tokens = searchTokens(query.text); tokens.size() == 1 && tokens[0].size() == 1)
            oneLetter = std::move(tokens[0]);
    }
    const std::vector<std::uint32_t>& slots = matches(query, inputs);
    const bool readsCold =
        kind == OrderKind::Duration || kind == OrderKind::Bpm || kind == OrderKind::TempoDistance;
    std::vector<Candidate> found;
    found.reserve(slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!(slots[i] & kJoined))
            continue;
        const std::uint32_t slot = slots[i] & ~kJoined;
        if (i + 8 < slots.size()) {
            const std::uint32_t ahead = slots[i + 8] & ~kJoined;
            __builtin_prefetch(&hot_[ahead]);
            if (readsCold)
                __builtin_prefetch(&cold_[ahead]);
            if (oneLetter)
                __builtin_prefetch(&initials_[ahead]);
        }
        const Hot& hot = hot_[slot];
        Candidate c;
        c.slot = slot;
        c.nameRank = hot.nameRank;
        switch (kind) {
            case OrderKind::Duration:
                c.missing = !(hot.flags & kHasDuration);
                c.value = query.durationDescending ? -cold_[slot].duration : cold_[slot].duration;
                break;
            case OrderKind::Bpm:
                c.missing = !(hot.flags & kHasBpm);
                c.value = query.bpmDescending ? -cold_[slot].bpm : cold_[slot].bpm;
                break;
            case OrderKind::TempoDistance:
                c.value = std::fabs(cold_[slot].bpm - static_cast<double>(*query.bpm));
                break;
            case OrderKind::Rank: {
                const auto fromInitials =
                    oneLetter ? rankFromInitials(initials_[slot], *oneLetter) : std::nullopt;
                c.value = fromInitials ? *fromInitials : ranker->rank(nameOf(slot));
                break;
            }
            case OrderKind::Name:
            case OrderKind::Default:
                break;
        }
        found.push_back(c);
    }
    return found;
}

// The order of (name without letter case, id): by the ranks of the last load where both have
// one, which follow that order, else by the names and ids themselves.
int SearchIndex::compareNames(const Candidate& a, const Candidate& b) const {
    if (a.nameRank != kUnranked && b.nameRank != kUnranked)
        return a.nameRank < b.nameRank ? -1 : (a.nameRank > b.nameRank ? 1 : 0);
    const int names = nameOf(a.slot).compare(nameOf(b.slot));
    if (names != 0)
        return names;
    const std::int64_t idA = cold_[a.slot].id, idB = cold_[b.slot].id;
    return idA < idB ? -1 : (idA > idB ? 1 : 0);
}

// A page in name order without text: the rows are walked in the order of their ranks, merged
// with the rows that lost their rank, and the walk stops at the page's last row, as SQLite's walk
// of its name index does.
std::vector<std::int64_t> SearchIndex::pageInNameOrder(const SearchQuery& query,
                                                       const SearchIndexInputs& inputs) const {
    const Plan plan = planFor(query, inputs);
    if (plan.nothing || query.limit == 0)
        return {};
    const bool descending = query.sortByName && query.nameDescending;
    const auto shows = [&](std::uint32_t slot) {
        const Hot& hot = hot_[slot];
        return (hot.flags & kAlive) && passes(slot, plan) && hot.library != kNoCode &&
               plan.libraryJoins[hot.library];
    };
    std::vector<std::uint32_t> unranked = unrankedSlots_;
    std::sort(unranked.begin(), unranked.end());
    unranked.erase(std::unique(unranked.begin(), unranked.end()), unranked.end());
    std::vector<Candidate> loose;
    for (const std::uint32_t slot : unranked)
        if (hot_[slot].nameRank == kUnranked && shows(slot))
            loose.push_back(Candidate{0, slot, kUnranked, false});
    const auto before = [&](const Candidate& a, const Candidate& b) {
        const int names = compareNames(a, b);
        return descending ? names > 0 : names < 0;
    };
    std::sort(loose.begin(), loose.end(), before);

    const std::size_t first = static_cast<std::size_t>(std::max(query.offset, 0));
    const std::size_t end = query.limit < 0 ? std::numeric_limits<std::size_t>::max()
                                            : first + static_cast<std::size_t>(query.limit);
    std::vector<std::int64_t> ids;
    std::size_t shown = 0;
    std::size_t nextLoose = 0;
    const auto take = [&](std::uint32_t slot) {
        if (shown >= first)
            ids.push_back(cold_[slot].id);
        ++shown;
    };
    const std::size_t n = byName_.size();
    for (std::size_t i = 0; i < n && shown < end; ++i) {
        const std::uint32_t slot = byName_[descending ? n - 1 - i : i];
        if (i + 16 < n)
            __builtin_prefetch(&hot_[byName_[descending ? n - 17 - i : i + 16]]);
        if (hot_[slot].nameRank == kUnranked || !shows(slot))
            continue;
        const Candidate ranked{0, slot, hot_[slot].nameRank, false};
        while (nextLoose < loose.size() && shown < end && before(loose[nextLoose], ranked))
            take(loose[nextLoose++].slot);
        if (shown < end)
            take(slot);
    }
    while (nextLoose < loose.size() && shown < end)
        take(loose[nextLoose++].slot);
    return ids;
}

std::vector<std::int64_t> SearchIndex::page(const SearchQuery& query,
                                            const SearchIndexInputs& inputs) const {
    const OrderKind kind = orderKindOf(query);
    if (!inputs.textMatches && (kind == OrderKind::Name || kind == OrderKind::Default))
        return pageInNameOrder(query, inputs);
    std::vector<Candidate> found = candidates(query, inputs);
    // The SQL's ORDER BY: the order's own value, then name and id (in the name sort both
    // follow its direction).
    const bool byName = query.sortByName;
    const bool descending = byName && query.nameDescending;
    const auto before = [&](const Candidate& a, const Candidate& b) {
        if (!byName) {
            if (a.missing != b.missing)
                return b.missing;
            if (a.value != b.value)
                return a.value < b.value;
        }
        const int names = compareNames(a, b);
        return descending ? names > 0 : names < 0;
    };
    // LIMIT below zero has no bound, OFFSET below zero counts as none.
    const std::size_t n = found.size();
    const std::size_t first =
        std::min<std::size_t>(n, static_cast<std::size_t>(std::max(query.offset, 0)));
    const std::size_t end =
        query.limit < 0 ? n
                        : std::min<std::size_t>(n, first + static_cast<std::size_t>(query.limit));
    const auto begin = found.begin();
    if (end < n)
        std::nth_element(begin, begin + static_cast<std::ptrdiff_t>(end), found.end(), before);
    if (first > 0 && first < end)
        std::nth_element(begin, begin + static_cast<std::ptrdiff_t>(first),
                         begin + static_cast<std::ptrdiff_t>(end), before);
    if (first < end)
        std::sort(begin + static_cast<std::ptrdiff_t>(first),
                  begin + static_cast<std::ptrdiff_t>(end), before);
    std::vector<std::int64_t> ids;
    for (std::size_t i = first; i < end; ++i)
        ids.push_back(cold_[found[i].slot].id);
    return ids;
}

std::optional<std::int64_t> SearchIndex::position(const SearchQuery& query,
                                                  const SearchIndexInputs& inputs,
                                                  std::int64_t sampleId) const {
    const auto slot = slotOf(sampleId);
    if (!slot || (inputs.textMatches && !sortedHolds(*inputs.textMatches, sampleId)))
        return std::nullopt;
    const std::vector<Candidate> found = candidates(query, inputs);
    const auto self = std::find_if(found.begin(), found.end(),
                                   [&](const Candidate& c) { return c.slot == *slot; });
    if (self == found.end())
        return std::nullopt;
    const Candidate mine = *self;
    const bool byName = query.sortByName;
    const bool descending = byName && query.nameDescending;
    return static_cast<std::int64_t>(
        std::count_if(found.begin(), found.end(), [&](const Candidate& c) {
            if (!byName) {
                if (c.missing != mine.missing)
                    return mine.missing;
                if (c.value != mine.value)
                    return c.value < mine.value;
            }
            const int names = compareNames(c, mine);
            return descending ? names > 0 : names < 0;
        }));
}

std::vector<std::string> SearchIndex::distinctValues(const std::string& field,
                                                     const SearchQuery& query,
                                                     const SearchIndexInputs& inputs) const {
    const bool genre = field == "genre";
    const StringTable& table = genre ? genres_ : field == "key" ? keys_ : instruments_;
    std::vector<char> seen(table.size());
    for (const std::uint32_t match : matches(query, inputs)) {
        const Cold& cold = cold_[match & ~kJoined];
        if (genre) {
            for (const std::uint32_t code : genreSets_[cold.genres])
                seen[code] = 1;
            continue;
        }
        const std::uint32_t code = field == "key" ? cold.key : cold.instrument;
        if (code != kNone)
            seen[code] = 1;
    }
    std::vector<std::string> values;
    for (std::size_t code = 0; code < seen.size(); ++code) {
        const std::string& value = table[static_cast<std::uint32_t>(code)];
        // trim() takes blanks off both ends.
        if (seen[code] && value.find_first_not_of(' ') != std::string::npos)
            values.push_back(value);
    }
    std::sort(values.begin(), values.end(), [](const std::string& a, const std::string& b) {
        const std::size_t common = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < common; ++i) {
            const auto fa = static_cast<unsigned char>(foldAscii(a[i]));
            const auto fb = static_cast<unsigned char>(foldAscii(b[i]));
            if (fa != fb)
                return fa < fb;
        }
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return values;
}

}  // namespace sv
