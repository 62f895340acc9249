#include "core/catalogue/migrations.h"

namespace sv {

const std::array<const char*, 5> kMigrations{
    // 1: the original schema with its full-text index.
    "\nBEGIN; CREATE TABLE libraries(id INTEGER PRIMARY KEY,path TEXT NOT NULL UNIQUE,added_at "
    "INTEGER NOT NULL DEFAULT(unixepoch()),last_scanned_at INTEGER);"
    "\nCREATE TABLE samples(id INTEGER PRIMARY KEY,path TEXT NOT NULL UNIQUE,filename TEXT NOT "
    "NULL,library_id INTEGER REFERENCES libraries(id) ON DELETE CASCADE,type TEXT NOT NULL "
    "DEFAULT 'Unknown',genre TEXT,instrument TEXT,bpm INTEGER,musical_key TEXT NOT NULL DEFAULT "
    "'None',duration REAL,file_size INTEGER NOT NULL,modified_at INTEGER NOT NULL,file_identity "
    "TEXT,analyzed_at INTEGER NOT NULL DEFAULT(unixepoch()),favorite INTEGER NOT NULL DEFAULT 0);"
    "\nCREATE TABLE tags(id INTEGER PRIMARY KEY,name TEXT NOT NULL UNIQUE); CREATE TABLE "
    "sample_tags(sample_id INTEGER REFERENCES samples(id) ON DELETE CASCADE,tag_id INTEGER "
    "REFERENCES tags(id) ON DELETE CASCADE,PRIMARY KEY(sample_id,tag_id));"
    "\nCREATE TABLE playlists(id INTEGER PRIMARY KEY,name TEXT NOT NULL UNIQUE,created_at INTEGER "
    "NOT NULL DEFAULT(unixepoch())); CREATE TABLE playlist_items(playlist_id INTEGER REFERENCES "
    "playlists(id) ON DELETE CASCADE,sample_id INTEGER REFERENCES samples(id) ON DELETE "
    "CASCADE,position INTEGER,PRIMARY KEY(playlist_id,sample_id));"
    "\nCREATE INDEX idx_samples_type ON samples(type); CREATE INDEX idx_samples_instrument ON "
    "samples(instrument); CREATE INDEX idx_samples_bpm ON samples(bpm); CREATE INDEX "
    "idx_samples_key ON samples(musical_key); CREATE INDEX idx_samples_library ON "
    "samples(library_id);"
    "\nCREATE VIRTUAL TABLE sample_search USING "
    "fts5(filename,path,type,genre,instrument,musical_key,tags,content='samples',content_rowid='"
    "id');"
    "\nCREATE TRIGGER samples_ai AFTER INSERT ON samples BEGIN INSERT INTO "
    "sample_search(rowid,filename,path,type,genre,instrument,musical_key,tags) "
    "VALUES(new.id,new.filename,new.path,new.type,new.genre,new.instrument,new.musical_key,''); "
    "END;"
    "\nCREATE TRIGGER samples_ad AFTER DELETE ON samples BEGIN INSERT INTO "
    "sample_search(sample_search,rowid,filename,path,type,genre,instrument,musical_key,tags) "
    "VALUES('delete',old.id,old.filename,old.path,old.type,old.genre,old.instrument,old.musical_"
    "key,''); END;"
    "\nCREATE TRIGGER samples_au AFTER UPDATE ON samples BEGIN INSERT INTO "
    "sample_search(sample_search,rowid,filename,path,type,genre,instrument,musical_key,tags) "
    "VALUES('delete',old.id,old.filename,old.path,old.type,old.genre,old.instrument,old.musical_"
    "key,''); INSERT INTO "
    "sample_search(rowid,filename,path,type,genre,instrument,musical_key,tags) "
    "VALUES(new.id,new.filename,new.path,new.type,new.genre,new.instrument,new.musical_key,''); "
    "END;"
    "\nUPDATE schema_version SET version=1; COMMIT;",

    // 2: settings rows and the favourites index.
    "BEGIN; CREATE TABLE IF NOT EXISTS app_metadata(key TEXT PRIMARY KEY,value TEXT NOT NULL); "
    "CREATE INDEX IF NOT EXISTS idx_samples_favorite ON samples(favorite); UPDATE schema_version "
    "SET version=2; COMMIT;",

    // 3: path and playlist member indexes.
    "BEGIN; CREATE INDEX IF NOT EXISTS idx_samples_path ON samples(path); CREATE INDEX IF NOT "
    "EXISTS idx_playlist_items_sample ON playlist_items(sample_id); UPDATE schema_version SET "
    "version=3; COMMIT;",

    // 4: inferred type beside the user's type override.
    "BEGIN; ALTER TABLE samples ADD COLUMN auto_type TEXT NOT NULL DEFAULT 'Unknown'; ALTER TABLE "
    "samples ADD COLUMN user_type_override TEXT; UPDATE samples SET auto_type=type; CREATE INDEX "
    "IF NOT EXISTS idx_samples_type_override ON samples(user_type_override); UPDATE "
    "schema_version SET version=4; COMMIT;",

    // 5: instrument and genre overrides; genres as rows.
    "BEGIN;"
    "\nALTER TABLE samples ADD COLUMN auto_instrument TEXT;"
    "\nALTER TABLE samples ADD COLUMN user_instrument_override TEXT;"
    "\nALTER TABLE samples ADD COLUMN auto_genre TEXT;"
    "\nALTER TABLE samples ADD COLUMN type_override_source TEXT;"
    "\nALTER TABLE samples ADD COLUMN instrument_override_source TEXT;"
    "\nUPDATE samples SET auto_instrument=instrument,auto_genre=genre;"
    "\nCREATE TABLE sample_genres(sample_id INTEGER NOT NULL REFERENCES samples(id) ON DELETE "
    "CASCADE,genre TEXT NOT NULL,source TEXT NOT NULL DEFAULT 'auto',PRIMARY "
    "KEY(sample_id,genre,source));"
    "\nINSERT OR IGNORE INTO sample_genres(sample_id,genre,source) SELECT id,genre,'auto' FROM "
    "samples WHERE genre IS NOT NULL AND trim(genre)<>'';"
    "\nCREATE INDEX idx_sample_genres_genre ON sample_genres(genre COLLATE NOCASE,sample_id);"
    "\nCREATE INDEX idx_samples_instrument_override ON samples(user_instrument_override);"
    "\nUPDATE schema_version SET version=5;COMMIT;",
};

}  // namespace sv
