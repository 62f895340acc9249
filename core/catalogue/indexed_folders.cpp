// The folder-tree input: one sample of every folder that holds indexed samples.
#include <sqlite3.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/transaction.h"

namespace sv {
namespace {

struct LibraryRow {
    std::int64_t id = 0;
    std::string path;
    std::string label;
};

// The expression must be written as the folder index's, or SQLite does not use the index.
constexpr const char* kNextFolder =
    "SELECT id,path FROM samples INDEXED BY idx_samples_folder WHERE library_id=?1 AND "
    "rtrim(path,replace(filename,'/',''))>?2 AND substr(filename,1,2)<>'._' ORDER BY "
    "rtrim(path,replace(filename,'/','')) LIMIT 1";
constexpr const char* kFolderText =
    "SELECT rtrim(path,replace(filename,'/','')) FROM samples "
    "WHERE id=?";

// Each read below tells whether it ran to its end: a list cut short by an error is still
// returned, as read-only lists are, but not kept.
bool readLibraries(sqlite3* db, std::vector<LibraryRow>& libraries) {
    Statement query(db,
                    "SELECT l.id,l.path,coalesce((SELECT m.value FROM app_metadata m WHERE "
                    "m.key='library_label:'||l.id),'') FROM libraries l");
    int code = SQLITE_ROW;
    while ((code = query.stepCode()) == SQLITE_ROW)
        libraries.push_back({query.int64(0), query.text(1), query.text(2)});
    return code == SQLITE_DONE;
}

std::string_view textColumn(sqlite3_stmt* row, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return {text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(row, column))};
}

// The text before the last separator; empty when there is none.
std::string_view folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return path.substr(0, slash == std::string_view::npos ? 0 : slash);
}

// Whether the path names a file directly in the folder, by a forward search, which is quicker
// than looking for the path's last separator from its end.
bool isFileOfFolder(std::string_view path, std::string_view folder) {
    if (folder.empty())
        return path.find('/') == std::string_view::npos;
    return path.size() > folder.size() && path[folder.size()] == '/' &&
           path.compare(0, folder.size(), folder) == 0 &&
           path.find('/', folder.size() + 1) == std::string_view::npos;
}

// Keeps, for each folder of each library, the sample stored first (the least row id), whatever
// order the rows are offered in; hands them out in path order. The folders are keyed by views
// into the kept paths, which a deque never moves (a replaced entry stays to back its key), and
// sorted by position, so that no path is copied or moved before the list is made.
class FolderCollector {
  public:
    void add(const LibraryRow& library, std::int64_t rowId, std::string_view path) {
        const auto found = firsts_.find(Key{&library, folderOf(path)});
        if (found != firsts_.end()) {
            if (kept_[found->second].rowId <= rowId)
                return;
            kept_.push_back({&library, rowId, std::string(path)});
            found->second = kept_.size() - 1;
            return;
        }
        kept_.push_back({&library, rowId, std::string(path)});
        firsts_.emplace(Key{&library, folderOf(kept_.back().path)}, kept_.size() - 1);
    }

    std::vector<IndexedPath> folders() && {
        std::vector<std::size_t> order;
        order.reserve(firsts_.size());
        for (const auto& [key, index] : firsts_)
            order.push_back(index);
        std::sort(order.begin(), order.end(),
                  [this](std::size_t a, std::size_t b) { return kept_[a].path < kept_[b].path; });
        std::vector<IndexedPath> folders;
        folders.reserve(order.size());
        for (const std::size_t index : order) {
            First& first = kept_[index];
            folders.push_back({first.library->path, std::move(first.path), first.library->label});
        }
        return folders;
    }

  private:
    struct First {
        const LibraryRow* library = nullptr;
        std::int64_t rowId = 0;
        std::string path;
    };
    struct Key {
        const LibraryRow* library = nullptr;
        std::string_view folder;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<std::string_view>{}(key.folder) ^
                   std::hash<const void*>{}(key.library);
        }
    };

    std::deque<First> kept_;
    std::unordered_map<Key, std::size_t, KeyHash> firsts_;
};

// Every row in storage order, for catalogues without the folder index (last opened by a
// program that could not create it). Only the first sample of each folder is copied out: a
// scan stores a folder's files together, so most rows share the folder of the row before and
// are passed over with one comparison.
bool collectByScan(sqlite3* db, const std::vector<LibraryRow>& libraryList,
                   FolderCollector& collector) {
    std::unordered_map<std::int64_t, const LibraryRow*> libraries;
    for (const LibraryRow& library : libraryList)
        libraries[library.id] = &library;
    // Companion files are few and found on their own partial index, so the pass below reads no
    // name and calls no function per row.
    std::unordered_set<std::int64_t> companions;
    Statement companionQuery(db, "SELECT id FROM samples WHERE substr(filename,1,2)='._'");
    int code = SQLITE_ROW;
    while ((code = companionQuery.stepCode()) == SQLITE_ROW)
        companions.insert(companionQuery.int64(0));
    if (code != SQLITE_DONE)
        return false;
    Statement sampleQuery(db, "SELECT library_id,path,id FROM samples");
    sqlite3_stmt* const row = sampleQuery.handle();
    std::optional<std::int64_t> lastLibrary;
    std::string lastFolder;
    while ((code = sampleQuery.stepCode()) == SQLITE_ROW) {
        const std::int64_t rowId = sqlite3_column_int64(row, 2);
        if (!companions.empty() && companions.count(rowId) != 0)
            continue;
        const std::int64_t libraryId = sqlite3_column_int64(row, 0);
        const std::string_view path = textColumn(row, 1);
        if (lastLibrary == libraryId && isFileOfFolder(path, lastFolder))
            continue;
        lastLibrary = libraryId;
        lastFolder.assign(folderOf(path));
        if (const auto library = libraries.find(libraryId); library != libraries.end())
            collector.add(*library->second, rowId, path);
    }
    return code == SQLITE_DONE;
}

// One seek per folder on the folder index, which orders each library's rows by the text up to
// their last separator and then by row id: the first entry after the previous folder's text is
// the next folder's first stored sample, and the folder's other rows are never read. The text
// strips from the end of the path the characters of the file name (fewer to test than those of
// the whole path, which makes the index cheaper to keep up as a scan writes): the path up to its
// last separator for every row whose name ends its path, as a scan stores them. For any other
// row it stops inside the name, never before the last separator, so each text still lies
// within one folder and the collector's least row id per folder gives the same answer.
//
// The next seek starts after the text of the row found, which for such a row is its path up to
// the last separator, taken here without asking SQLite to work the text out again. For another
// row that guess lies below its text: the seek then finds the same row again (nothing lies
// between), and SQLite's own text of the row is used instead.
bool collectBySeeks(sqlite3* db, Statement& next, const std::vector<LibraryRow>& libraries,
                    FolderCollector& collector) {
    sqlite3_stmt* const row = next.handle();
    std::optional<Statement> folderText;
    const auto exactText = [&](std::int64_t rowId) {
        if (!folderText)
            folderText.emplace(db, kFolderText);
        folderText->reset();
        folderText->bind(1, rowId);
        return folderText->stepCode() == SQLITE_ROW ? folderText->text(0) : std::string();
    };
    int code = SQLITE_DONE;
    for (const LibraryRow& library : libraries) {
        next.reset();
        // A number sorts before every text: the first seek starts at the library's first row.
        next.bind(1, library.id).bind(2, std::int64_t{0});
        std::optional<std::string> after;
        std::int64_t lastRow = 0;
        while ((code = next.stepCode()) == SQLITE_ROW) {
            const std::int64_t rowId = sqlite3_column_int64(row, 0);
            const std::string_view path = textColumn(row, 1);
            if (after && rowId == lastRow) {
                std::string text = exactText(rowId);
                if (text <= *after)
                    return false;  // no way forward; never expected
                after = std::move(text);
            } else {
                collector.add(library, rowId, path);
                lastRow = rowId;
                const std::size_t slash = path.rfind('/');
                std::string_view guess =
                    path.substr(0, slash == std::string_view::npos ? 0 : slash + 1);
                if (after && guess <= *after)
                    after = exactText(rowId);
                else
                    after = std::string(guess);
            }
            next.reset();
            next.bind(2, std::string_view(*after));
        }
        if (code != SQLITE_DONE)
            return false;
    }
    return true;
}

}  // namespace

std::vector<IndexedPath> Database::indexedFolders() {
    const std::lock_guard lock(mutex_);
    // One read transaction for the stamp and every seek: each statement on its own would take
    // and drop the catalogue's read lock, which costs more than the seek itself.
    const ReadSnapshot snapshot(db_.get());
    const std::uint64_t stamp = changeStampLocked();
    if (indexedFolders_ && indexedFolders_->stamp == stamp)
        return indexedFolders_->folders;
    // The collector points into the library rows.
    std::vector<LibraryRow> libraries;
    FolderCollector collector;
    bool complete = false;
    try {
        if (readLibraries(db_.get(), libraries)) {
            std::optional<Statement> seek;
            try {
                seek.emplace(db_.get(), kNextFolder);
            } catch (const std::runtime_error&) {
                // No folder index in this catalogue: every row is read instead.
            }
            complete = seek ? collectBySeeks(db_.get(), *seek, libraries, collector)
                            : collectByScan(db_.get(), libraries, collector);
        }
    } catch (const std::runtime_error&) {
    }
    std::vector<IndexedPath> folders = std::move(collector).folders();
    if (complete)
        indexedFolders_ = IndexedFolders{stamp, folders};
    return folders;
}

}  // namespace sv
