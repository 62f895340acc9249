#include "core/catalogue/statement.h"

#include <sqlite3.h>

#include <stdexcept>

namespace sv {

std::string sqliteMessage(sqlite3* db) {
    const char* message = db ? sqlite3_errmsg(db) : nullptr;
    return (message && *message) ? std::string(message) : std::string("sqlite error");
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
            SQLITE_OK ||
        stmt_ == nullptr) {
        const std::string message = sqliteMessage(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw std::runtime_error(message);
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::fail() const {
    throw std::runtime_error(sqliteMessage(db_));
}

Statement& Statement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bind(int index, double value) {
    if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bind(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

Statement& Statement::bind(int index, const std::optional<std::int64_t>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bind(int index, const std::optional<double>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

int Statement::stepCode() {
    return sqlite3_step(stmt_);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail();
}

void Statement::run() {
    if (sqlite3_step(stmt_) != SQLITE_DONE)
        fail();
}

void Statement::reset() {
    sqlite3_reset(stmt_);
}

void Statement::clearBindings() {
    sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::string Statement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!bytes)
        return {};
    return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::optional<std::int64_t> Statement::optionalInt64(int column) const {
    if (isNull(column))
        return std::nullopt;
    return int64(column);
}

std::optional<double> Statement::optionalReal(int column) const {
    if (isNull(column))
        return std::nullopt;
    return real(column);
}

}  // namespace sv
