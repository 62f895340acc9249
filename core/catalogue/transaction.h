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

// Runs one or more statements; throws with SQLite's message ("sqlite error" when none).
void execSql(sqlite3* db, const char* sql);

}  // namespace sv
