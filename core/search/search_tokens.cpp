#include "core/search/search_tokens.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace sv {
namespace {

using Tokens = std::vector<std::string>;

constexpr bool isTokenByte(unsigned char c) {
    return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '#';
}

constexpr char lowerAscii(unsigned char c) {
    return static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
}

std::string_view stripExtension(std::string_view filename) {
    const auto dot = filename.rfind('.');
    return dot == std::string_view::npos ? filename : filename.substr(0, dot);
}

bool tokenMatches(const std::string& nameToken, const std::string& searchToken, bool prefix) {
    if (!prefix)
        return nameToken == searchToken;
    return nameToken.size() >= searchToken.size() &&
           nameToken.compare(0, searchToken.size(), searchToken) == 0;
}

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

std::size_t contiguousRun(const Tokens& name, const Tokens& query, bool prefix) {
    const std::size_t n = name.size(), q = query.size();
    if (q > n)
        return kNone;
    for (std::size_t i = 0; i + q <= n; ++i) {
        bool all = true;
        for (std::size_t j = 0; j < q && all; ++j)
            all = tokenMatches(name[i + j], query[j], prefix);
        if (all)
            return n - q;
    }
    return kNone;
}

std::size_t inOrderGap(const Tokens& name, const Tokens& query, bool prefix) {
    const std::size_t n = name.size(), q = query.size();
    std::size_t best = kNone;
    for (std::size_t i = 0; i < n; ++i) {
        if (!tokenMatches(name[i], query[0], prefix))
            continue;
        std::size_t last = i;
        bool found = true;
        for (std::size_t j = 1; j < q && found; ++j) {
            std::size_t k = last + 1;
            while (k < n && !tokenMatches(name[k], query[j], prefix))
                ++k;
            found = k < n;
            last = k;
        }
        if (found)
            best = std::min(best, (last - i + 1) - q);
    }
    return best;
}

// The search words once each, in ascending byte order, with how often each was typed.
struct WantedWords {
    std::vector<const std::string*> words;
    std::vector<std::size_t> counts;
};

WantedWords wantedWordsOf(const Tokens& query) {
    std::vector<const std::string*> sorted;
    for (const auto& token : query)
        sorted.push_back(&token);
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string* a, const std::string* b) { return *a < *b; });
    WantedWords wanted;
    for (const std::string* word : sorted) {
        if (!wanted.words.empty() && *wanted.words.back() == *word) {
            ++wanted.counts.back();
            continue;
        }
        wanted.words.push_back(word);
        wanted.counts.push_back(1);
    }
    return wanted;
}

std::size_t anyOrderWindowGap(const Tokens& name, const Tokens& query, bool prefix) {
    const WantedWords wanted = wantedWordsOf(query);
    const std::size_t n = name.size(), q = query.size();
    std::vector<std::size_t> credit(wanted.words.size());
    std::size_t best = kNone;
    for (std::size_t s = 0; s < n; ++s) {
        std::fill(credit.begin(), credit.end(), 0);
        std::size_t wordsCovered = 0;
        for (std::size_t e = s; e < n; ++e) {
            for (std::size_t k = 0; k < wanted.words.size(); ++k) {
                if (!tokenMatches(name[e], *wanted.words[k], prefix))
                    continue;
                if (++credit[k] == wanted.counts[k])
                    ++wordsCovered;
                break;
            }
            if (wordsCovered == wanted.words.size()) {
                best = std::min(best, (e - s + 1) - q);
                break;
            }
        }
    }
    return best;
}

// Every stage needs each search word to match some name word; most names that fail do so here,
// before the window stage's bookkeeping.
bool everySearchWordOccurs(const Tokens& name, const Tokens& query, bool prefix) {
    return std::all_of(query.begin(), query.end(), [&](const std::string& word) {
        return std::any_of(name.begin(), name.end(), [&](const std::string& nameWord) {
            return tokenMatches(nameWord, word, prefix);
        });
    });
}

std::int32_t matchingPass(const Tokens& name, const Tokens& query, bool prefix, std::int32_t base) {
    if (!everySearchWordOccurs(name, query, prefix))
        return kNoSearchMatch;
    if (const auto extra = contiguousRun(name, query, prefix); extra != kNone)
        return base + static_cast<std::int32_t>(extra);
    if (const auto gap = inOrderGap(name, query, prefix); gap != kNone)
        return base + 100000 + static_cast<std::int32_t>(gap);
    if (const auto gap = anyOrderWindowGap(name, query, prefix); gap != kNone)
        return base + 200000 + static_cast<std::int32_t>(gap);
    return kNoSearchMatch;
}

// Reuses the strings already in the vector, so that ranking row after row of a query does not
// allocate for each file name.
void searchTokensInto(std::string_view text, Tokens& tokens) {
    std::size_t count = 0;
    bool inToken = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (!isTokenByte(c)) {
            inToken = false;
            continue;
        }
        if (!inToken) {
            if (count == tokens.size())
                tokens.emplace_back();
            tokens[count++].clear();
            inToken = true;
        }
        tokens[count - 1].push_back(lowerAscii(c));
    }
    tokens.resize(count);
}

std::int32_t rankAgainst(const Tokens& name, const Tokens& query) {
    if (name.empty() || query.empty())
        return kNoSearchMatch;
    if (name == query)
        return 0;
    const std::int32_t exact = matchingPass(name, query, false, 100000);
    if (exact < kNoSearchMatch)
        return exact;
    return matchingPass(name, query, true, 400000);
}

// Each byte as the tokens see it: 0 for a byte between words, else the byte in lower case.
struct TokenBytes {
    std::array<unsigned char, 256> folded{};
    constexpr TokenBytes() {
        for (int c = 0; c < 256; ++c)
            folded[c] = isTokenByte(static_cast<unsigned char>(c))
                            ? static_cast<unsigned char>(lowerAscii(static_cast<unsigned char>(c)))
                            : 0;
    }
};
constexpr TokenBytes kTokenBytes;

// The ranking of a one-word search in one pass over the name, without splitting it: a name
// holding the word ranks by its other words, one holding a word that starts with it likewise in
// the prefix band, as the contiguous run of the general passes gives for one word.
std::int32_t rankAgainstOneWord(std::string_view name, const std::string& word) {
    std::size_t tokens = 0;
    bool exact = false;
    bool prefix = false;
    std::size_t length = 0;
    bool same = true;
    for (const char ch : name) {
        const unsigned char c = kTokenBytes.folded[static_cast<unsigned char>(ch)];
        if (c != 0) {
            same = same && (length >= word.size() || c == static_cast<unsigned char>(word[length]));
            ++length;
            continue;
        }
        if (length == 0)
            continue;
        ++tokens;
        exact = exact || (same && length == word.size());
        prefix = prefix || (same && length > word.size());
        length = 0;
        same = true;
    }
    if (length != 0) {
        ++tokens;
        exact = exact || (same && length == word.size());
        prefix = prefix || (same && length > word.size());
    }
    const auto others = static_cast<std::int32_t>(tokens) - 1;
    if (exact)
        return tokens == 1 ? 0 : 100000 + others;
    if (prefix)
        return 400000 + others;
    return kNoSearchMatch;
}

std::string_view valueText(sqlite3_value* value) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int length = sqlite3_value_bytes(value);
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(length)) : std::string_view();
}

void deleteTokens(void* tokens) {
    const std::unique_ptr<Tokens> owned(static_cast<Tokens*>(tokens));
}

// The query's words, split once per statement: SQLite keeps them with the constant argument.
const Tokens* queryTokensOf(sqlite3_context* context, sqlite3_value* text) {
    if (const auto* cached = static_cast<const Tokens*>(sqlite3_get_auxdata(context, 1)))
        return cached;
    auto tokens = std::make_unique<Tokens>(searchTokens(valueText(text)));
    sqlite3_set_auxdata(context, 1, tokens.release(), &deleteTokens);
    // SQLite may drop the data at once (when it cannot keep it): look it up again.
    return static_cast<const Tokens*>(sqlite3_get_auxdata(context, 1));
}

}  // namespace

std::vector<std::string> searchTokens(std::string_view text) {
    Tokens tokens;
    searchTokensInto(text, tokens);
    return tokens;
}

std::int32_t filenameSearchRank(std::string_view filename, std::string_view text) {
    return rankAgainst(searchTokens(stripExtension(filename)), searchTokens(text));
}

namespace {

// The bit of a word's first byte; none for bytes that only non-ASCII words start with.
std::optional<unsigned> initialBit(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= '0' && c <= '9')
        return 26 + (c - '0');
    if (c == '#')
        return 36;
    return std::nullopt;
}

}  // namespace

NameInitials nameInitials(std::string_view filename) {
    NameInitials initials;
    unsigned words = 0;
    std::size_t length = 0;
    unsigned char first = 0;
    const auto endWord = [&] {
        if (length == 0)
            return;
        ++words;
        if (const auto bit = initialBit(first))
            (length == 1 ? initials.ofOneLetterWords : initials.ofLongerWords) |= std::uint64_t{1}
                                                                                  << *bit;
        length = 0;
    };
    for (const char ch : stripExtension(filename)) {
        const unsigned char c = kTokenBytes.folded[static_cast<unsigned char>(ch)];
        if (c == 0) {
            endWord();
            continue;
        }
        if (length++ == 0)
            first = c;
    }
    endWord();
    initials.words = static_cast<std::uint8_t>(std::min(words, 255u));
    return initials;
}

std::optional<std::int32_t> rankFromInitials(const NameInitials& initials, std::string_view text) {
    if (text.size() != 1 || initials.words == 255)
        return std::nullopt;
    const auto bit = initialBit(kTokenBytes.folded[static_cast<unsigned char>(text[0])]);
    if (!bit)
        return std::nullopt;
    const std::uint64_t mask = std::uint64_t{1} << *bit;
    const std::int32_t others = static_cast<std::int32_t>(initials.words) - 1;
    if (initials.ofOneLetterWords & mask)
        return initials.words == 1 ? 0 : 100000 + others;
    if (initials.ofLongerWords & mask)
        return 400000 + others;
    return kNoSearchMatch;
}

FilenameRanker::FilenameRanker(std::string_view text) : query_(searchTokens(text)) {}

std::int32_t FilenameRanker::rank(std::string_view filename) {
    if (query_.size() == 1)
        return rankAgainstOneWord(stripExtension(filename), query_[0]);
    searchTokensInto(stripExtension(filename), name_);
    return rankAgainst(name_, query_);
}

void searchRankSql(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, kNoSearchMatch);
        return;
    }
    thread_local Tokens name;
    searchTokensInto(stripExtension(valueText(argv[0])), name);
    if (const Tokens* query = queryTokensOf(context, argv[1])) {
        sqlite3_result_int(context, rankAgainst(name, *query));
        return;
    }
    sqlite3_result_int(context, rankAgainst(name, searchTokens(valueText(argv[1]))));
}

}  // namespace sv
