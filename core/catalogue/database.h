#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/records/indexed_path.h"
#include "core/records/library.h"
#include "core/records/playlist.h"
#include "core/records/sample.h"
#include "core/search/search_query.h"
#include "core/search/search_sql.h"

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

namespace sv {

class StatementCache;
class SearchIndex;
struct SearchIndexInputs;

// One genre found below a folder.
struct FolderGenre {
    std::string genre;
    bool folderSet = false;

    bool operator==(const FolderGenre&) const = default;
};

// The SQLite catalogue of libraries, samples, genres, playlists and settings rows.
// Every public operation holds the one mutex for its whole duration; the object is
// shared by the main thread and the background scan.
class Database {
  public:
    // Creates the parent folders, opens (or creates) the file, registers the ranking
    // function, applies the connection settings and migrates. Throws on any failure.
    explicit Database(const std::filesystem::path& file);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The catalogue file the application uses by default.
    static std::filesystem::path defaultPath();

    // Runs SQL text without taking the mutex: the caller holds it or is the constructor.
    void exec(const std::string& sql);

    // Sample records written by the scanner.
    std::optional<Sample> findByPath(const std::string& path);
    std::optional<std::string> relinkMovedSample(std::int64_t libraryId, const std::string& newPath,
                                                 std::uint64_t fileSize, std::int64_t modifiedAt);
    void upsert(const Sample& sample, std::int64_t libraryId);
    // Many samples in one write transaction: all of them are stored, or none.
    void upsert(const std::vector<Sample>& samples, std::int64_t libraryId);
    void removeMissing(std::int64_t libraryId, const std::vector<std::string>& existingPaths,
                       std::size_t& removedCount);
    // True when the library's flag changed; marking it as it already was writes nothing.
    bool setLibraryAvailable(const std::string& libraryPath, bool available);

    // Libraries, favourites, playlists and the folder-tree input.
    std::int64_t addLibrary(const std::string& path);
    std::vector<Library> libraries();
    // The libraries without their sample counts (left at 0), which cost a read of every entry.
    std::vector<Library> libraryFolders();
    // The paths of the libraries marked offline, as the availability check stored them.
    std::vector<std::string> offlineLibraryPaths();
    // Whether the library has any sample other than AppleDouble companions.
    bool libraryHoldsSamples(std::int64_t libraryId);
    // Whether any sample, of any library, lies below this folder.
    bool holdsSamplesUnder(const std::string& folder);
    void setLibraryDisplayLabel(std::int64_t libraryId, const std::string& label);
    void removeLibrary(std::int64_t libraryId);
    void setFavorite(std::int64_t sampleId, bool favorite);
    bool isFavorite(std::int64_t sampleId);
    std::vector<Playlist> playlists();
    std::int64_t createPlaylist(const std::string& name);
    void deletePlaylist(std::int64_t playlistId);
    void addToPlaylist(std::int64_t playlistId, std::int64_t sampleId);
    void removeFromPlaylist(std::int64_t playlistId, std::int64_t sampleId);
    std::vector<IndexedPath> indexedPaths();
    // The same rows cut down to one sample of each folder (the one stored first), in path
    // order: the folder tree built from them is the tree of all indexed paths. Read with one
    // seek per folder, and not read again while the catalogue has not changed.
    std::vector<IndexedPath> indexedFolders();

    // User overrides: an empty optional clears.
    void setTypeOverride(const std::vector<std::int64_t>& sampleIds,
                         std::optional<SampleType> type);
    void setFolderTypeOverride(const std::string& folder, std::optional<SampleType> type);
    void setFolderInstrumentOverride(const std::string& folder,
                                     std::optional<std::string> instrument);
    void setFolderGenreOverride(const std::string& folder, const std::string& genre, bool add);
    std::int64_t countFolderSamples(const std::string& folder, bool includeMidi);
    // The rows a folder operation changes: every sample below the folder, of any library
    // (offline ones too), MIDI files only when `includeMidi`.
    std::int64_t countFolderUpdateRows(const std::string& folder, bool includeMidi);
    // The genres carried below a folder (any library, AppleDouble companions left out), each
    // with whether any of its rows there was set on a folder. Sorted by genre, exact text.
    std::vector<FolderGenre> folderGenres(const std::string& folder);
    // The ids of the list that still have a row, in list order.
    std::vector<std::int64_t> existingSampleIds(const std::vector<std::int64_t>& sampleIds);

    // Search.
    std::vector<Sample> search(const SearchQuery& query);
    std::int64_t countMatching(const SearchQuery& query);
    std::optional<std::int64_t> matchingIndex(const SearchQuery& query, std::int64_t sampleId);
    std::int64_t countSamples();
    // Whether countSamples would be above 0, without counting.
    bool holdsSamples();
    // Changes whenever this connection writes or another connection commits to the catalogue:
    // equal stamps mean equal contents, so results counted under one stamp can be reused.
    std::uint64_t changeStamp();
    std::vector<std::string> distinctFilterValues(const std::string& field,
                                                  const SearchQuery& query);
    // Whether at least one sample passes the query's predicates (order and page ignored);
    // stops at the first match instead of counting them all.
    bool anyMatching(const SearchQuery& query);

    // The in-memory search index: once prepared, search, countMatching and matchingIndex answer
    // from a copy of what they read of every sample (folded names, filter and order columns)
    // instead of reading the rows; the results are the same. This connection's own writes are
    // carried into the copy as they happen; a commit by another connection leaves it stale
    // until it is prepared again, and the SQL answers meanwhile.
    // Builds the copy or brings it up to date, reading the samples on a connection of its own
    // so that the catalogue's other users wait only for the last step; safe from any thread.
    // Returns whether searches now answer from it (not for a catalogue holding values the
    // copy does not mirror, nor when cancelled).
    bool prepareSearchIndex();
    // Makes a preparation running on another thread give up soon (and later ones at once).
    void cancelSearchIndexPreparation();
    // Whether searches would answer from the copy now.
    bool searchIndexCurrent();

  private:
    struct ConnectionCloser {
        void operator()(sqlite3* db) const;
    };

    void migrate();
    void takeMigrationBackup();
    std::int64_t countMatchingLocked(const SearchQuery& query);
    void readSamplesLocked(const std::vector<std::int64_t>& ids, std::vector<Sample>& samples);
    StandingExclusions standingExclusionsLocked();
    bool tempoIndexLeadsLocked(const SearchQuery& query);
    bool nameIndexLeadsLocked(const SearchQuery& query, StandingExclusions exclusions);
    std::int64_t fullTextMatchesLocked(const std::string& expression);
    std::uint64_t changeStampLocked();
    std::optional<SearchIndexInputs> searchIndexInputsLocked(const SearchQuery& query,
                                                             bool outsideTransaction);
    bool searchIndexCurrentLocked(bool outsideTransaction);
    bool prepareSearchIndexLocked();
    void watchSampleChangesLocked();
    std::int64_t dataVersionLocked();
    static void sampleChanged(sqlite3_context* context, int argc, sqlite3_value** argv);
    void upsertLocked(const Sample& sample, std::int64_t libraryId);
    std::unordered_set<std::string> storedPathsLocked(const std::vector<Sample>& samples);
    void insertNewLocked(std::span<const Sample* const> rows, std::int64_t libraryId);

    std::unique_ptr<sqlite3, ConnectionCloser> db_;
    // Declared after the connection so that its statements are finalised before it closes.
    std::unique_ptr<StatementCache> statements_;
    std::mutex mutex_;
    // The last choice of where a tempo-filtered text search starts: a refresh asks twice (its
    // count and its page) for the same query.
    struct TempoPlan {
        std::string expression;
        std::int32_t bpm = 0;
        std::uint64_t stamp = 0;
        bool tempoIndexLeads = false;
    };
    std::optional<TempoPlan> tempoPlan_;
    // The number of rows the last full-text expression matched.
    struct MatchCount {
        std::string expression;
        std::uint64_t stamp = 0;
        std::int64_t matches = 0;
    };
    std::optional<MatchCount> matchCount_;
    // Every distinct genre the catalogue stores, read once per change of its contents: the
    // genre values offered under a query are those of them that a matching sample carries.
    struct StoredGenres {
        std::uint64_t stamp = 0;
        std::vector<std::string> genres;
    };
    std::optional<StoredGenres> storedGenres_;
    // The folder-tree input as last read: the sidebar asks again after every scan, removal and
    // label change, and on most of those occasions nothing it holds has changed.
    struct IndexedFolders {
        std::uint64_t stamp = 0;
        std::vector<IndexedPath> folders;
    };
    std::optional<IndexedFolders> indexedFolders_;
    const std::vector<std::string>& storedGenresLocked();
    std::vector<std::string> genresMatchingLocked(const SearchQuery& query,
                                                  StandingExclusions exclusions);

    // The in-memory search index, the data version of this connection it matches, and the
    // samples this connection wrote since (noted by temporary triggers); while a new copy is
    // read, the samples written since its reading began are noted for it as well.
    struct SampleChanges {
        std::vector<std::int64_t> ids;
        bool overflow = false;  // too many to read again one by one
        void note(std::int64_t id);
    };
    std::unique_ptr<SearchIndex> searchIndex_;
    std::int64_t searchIndexVersion_ = 0;
    SampleChanges changedSamples_;
    bool buildingSearchIndex_ = false;
    SampleChanges changedDuringBuild_;
    bool watchingSampleChanges_ = false;
    std::mutex searchIndexPreparation_;
    std::atomic<bool> searchIndexCancelled_{false};
    // The ids the last full-text expression matched: a refresh's count, page and position
    // share one evaluation.
    struct TextMatches {
        std::string expression;
        std::uint64_t stamp = 0;
        std::shared_ptr<const std::vector<std::int64_t>> ids;
    };
    std::optional<TextMatches> textMatches_;
};

}  // namespace sv
