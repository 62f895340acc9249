#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace sv {

// One prepared statement, finalised when it goes out of scope. Bind indexes count from 1.
class Statement {
  public:
    // Throws std::runtime_error with SQLite's message when the text cannot be prepared.
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const std::string& text) {
        return bind(index, std::string_view(text));
    }
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    Statement& bindNull(int index);
    Statement& bind(int index, const std::optional<std::string>& text);
    Statement& bind(int index, const std::optional<std::int64_t>& value);
    Statement& bind(int index, const std::optional<double>& value);

    // True for a row, false when done; throws with SQLite's message on an error.
    bool step();
    // The raw result code of one step, for callers that treat errors themselves.
    int stepCode();
    // Steps once and throws unless the statement ran to completion.
    void run();
    void reset();
    void clearBindings();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    double real(int column) const;
    // NULL reads back as the empty string.
    std::string text(int column) const;
    std::optional<std::int64_t> optionalInt64(int column) const;
    std::optional<double> optionalReal(int column) const;

    sqlite3_stmt* handle() const { return stmt_; }

  private:
    [[noreturn]] void fail() const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// SQLite's latest error message for the connection, or "sqlite error" when it has none.
std::string sqliteMessage(sqlite3* db);

}  // namespace sv
