#pragma once

struct sqlite3;

namespace sv {

// "BEGIN IMMEDIATE" on construction; "ROLLBACK" on destruction unless commit() succeeded.
class Transaction {
  public:
    // Throws with SQLite's message when the write lock cannot be taken.
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws with SQLite's message; the destructor then rolls back.
    void commit();

  private:
    sqlite3* db_;
    bool open_ = true;
};

// One read snapshot for several statements: "BEGIN" on construction and "COMMIT" on
// destruction, or nothing when the connection is already inside a transaction.
class ReadSnapshot {
  public:
    explicit ReadSnapshot(sqlite3* db);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  private:
    sqlite3* db_;
    bool began_ = false;
};

// Runs one or more statements; throws with SQLite's message ("sqlite error" when none).
void execSql(sqlite3* db, const char* sql);

}  // namespace sv
