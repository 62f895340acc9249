#include "core/catalogue/transaction.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace sv {

void execSql(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = (error && *error) ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

ReadSnapshot::ReadSnapshot(sqlite3* db) : db_(db) {
    began_ = sqlite3_get_autocommit(db_) != 0 &&
             sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

ReadSnapshot::~ReadSnapshot() {
    if (began_)
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

Transaction::Transaction(sqlite3* db) : db_(db) {
    execSql(db_, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open_)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    execSql(db_, "COMMIT");
    open_ = false;
}

}  // namespace sv
