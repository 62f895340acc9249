// The user's corrections of type, instrument and genre, per sample or below a folder.
// Each is stored beside the inferred value, so clearing falls back to the latest inference.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/transaction.h"
#include "core/inference/instrument_normalization.h"

namespace sv {
namespace {

bool hasMidiExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mid" || extension == ".midi";
}

// The three override parameters: the value twice and its source, or NULL three times.
void bindOverride(Statement& statement, const std::optional<std::string>& value,
                  const char* source) {
    statement.bind(1, value).bind(2, value);
    if (value)
        statement.bind(3, std::string_view(source));
    else
        statement.bindNull(3);
}

void bindFolderTwice(Statement& statement, int first, const std::string& folder) {
    statement.bind(first, folder).bind(first + 1, folder);
}

std::optional<std::string> typeText(std::optional<SampleType> type) {
    if (!type)
        return std::nullopt;
    return toString(*type);
}

}  // namespace

void Database::setTypeOverride(const std::vector<std::int64_t>& sampleIds,
                               std::optional<SampleType> type) {
    if (sampleIds.empty())
        return;
    const std::lock_guard lock(mutex_);

    if (type == SampleType::Midi) {
        Statement lookup(db_.get(), "SELECT path FROM samples WHERE id=?");
        for (const std::int64_t id : sampleIds) {
            lookup.bind(1, id);
            if (!lookup.step())
                throw std::runtime_error("Sample no longer exists");
            if (!hasMidiExtension(lookup.text(0)))
                throw std::runtime_error("Only .mid and .midi files can be marked as MIDI");
            lookup.reset();
        }
    }

    Transaction transaction(db_.get());
    {
        Statement update(db_.get(),
                         "UPDATE samples SET "
                         "user_type_override=?,type=coalesce(?,auto_type),type_override_source=? "
                         "WHERE id=?");
        const std::optional<std::string> value = typeText(type);
        for (const std::int64_t id : sampleIds) {
            bindOverride(update, value, "sample");
            update.bind(4, id);
            if (update.stepCode() != SQLITE_DONE || sqlite3_changes(db_.get()) != 1)
                throw std::runtime_error("Sample type override could not be saved");
            update.reset();
            update.clearBindings();
        }
    }
    transaction.commit();
}

void Database::setFolderTypeOverride(const std::string& folder, std::optional<SampleType> type) {
    if (type == SampleType::Midi)
        throw std::runtime_error("Folder type override cannot mark audio as MIDI");
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_.get());
    {
        Statement update(db_.get(),
                         "UPDATE samples SET "
                         "user_type_override=?,type=coalesce(?,auto_type),type_override_source=? "
                         "WHERE substr(path,1,length(?)+1)=?||'/' AND type<>'MIDI'");
        bindOverride(update, typeText(type), "folder");
        bindFolderTwice(update, 4, folder);
        update.run();
    }
    transaction.commit();
}

void Database::setFolderInstrumentOverride(const std::string& folder,
                                           std::optional<std::string> instrument) {
    const std::lock_guard lock(mutex_);
    if (instrument)
        instrument = normalizedInstrument(std::move(*instrument));
    Transaction transaction(db_.get());
    {
        Statement update(db_.get(),
                         "UPDATE samples SET "
                         "user_instrument_override=?,instrument=coalesce(?,auto_instrument),"
                         "instrument_override_source=? WHERE substr(path,1,length(?)+1)=?||'/'");
        bindOverride(update, instrument, "folder");
        bindFolderTwice(update, 4, folder);
        update.run();
    }
    transaction.commit();
}

void Database::setFolderGenreOverride(const std::string& folder, const std::string& genre,
                                      bool add) {
    if (genre.empty())
        return;
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_.get());
    {
        Statement change(db_.get(),
                         add ? "INSERT OR IGNORE INTO sample_genres(sample_id,genre,source) SELECT "
                               "id,?,'folder' FROM samples WHERE substr(path,1,length(?)+1)=?||'/'"
                             : "DELETE FROM sample_genres WHERE source='folder' AND genre=? "
                               "COLLATE NOCASE AND sample_id IN(SELECT id FROM samples WHERE "
                               "substr(path,1,length(?)+1)=?||'/')");
        change.bind(1, genre);
        bindFolderTwice(change, 2, folder);
        change.run();
    }
    {
        Statement recompute(
            db_.get(),
            "UPDATE samples SET genre=(SELECT group_concat(genre, ', ') FROM (SELECT DISTINCT "
            "genre FROM sample_genres WHERE sample_id=samples.id ORDER BY source DESC,genre "
            "COLLATE NOCASE)) WHERE substr(path,1,length(?)+1)=?||'/'");
        bindFolderTwice(recompute, 1, folder);
        recompute.run();
    }
    transaction.commit();
}

std::int64_t Database::countFolderSamples(const std::string& folder, bool includeMidi) {
    const std::lock_guard lock(mutex_);
    SearchQuery query;
    query.folder = folder;
    query.hideMidi = !includeMidi;
    return countMatchingLocked(query);
}

// The folder conditions below read the path index as one range: under the binary collation a
// path begins with the folder followed by "/" exactly when it lies in [folder + "/", folder +
// "0"), '0' being the character after '/'.
std::int64_t Database::countFolderUpdateRows(const std::string& folder, bool includeMidi) {
    const std::lock_guard lock(mutex_);
    Statement count(db_.get(), includeMidi ? "SELECT count(*) FROM samples WHERE path>=?||'/' AND "
                                             "path<?||'0'"
                                           : "SELECT count(*) FROM samples WHERE path>=?||'/' AND "
                                             "path<?||'0' AND type<>'MIDI'");
    bindFolderTwice(count, 1, folder);
    return count.step() ? count.int64(0) : 0;
}

std::vector<FolderGenre> Database::folderGenres(const std::string& folder) {
    const std::lock_guard lock(mutex_);
    Statement genres(db_.get(),
                     "SELECT sg.genre,max(sg.source='folder') FROM samples s JOIN sample_genres "
                     "sg ON sg.sample_id=s.id WHERE s.path>=?||'/' AND s.path<?||'0' AND "
                     "substr(s.filename,1,2)<>'._' GROUP BY sg.genre ORDER BY sg.genre");
    bindFolderTwice(genres, 1, folder);
    std::vector<FolderGenre> found;
    while (genres.step())
        found.push_back({genres.text(0), genres.int64(1) != 0});
    return found;
}

std::vector<std::int64_t> Database::existingSampleIds(const std::vector<std::int64_t>& sampleIds) {
    const std::lock_guard lock(mutex_);
    Statement lookup(db_.get(), "SELECT 1 FROM samples WHERE id=?");
    std::vector<std::int64_t> existing;
    for (const std::int64_t id : sampleIds) {
        lookup.bind(1, id);
        if (lookup.step())
            existing.push_back(id);
        lookup.reset();
    }
    return existing;
}

}  // namespace sv
