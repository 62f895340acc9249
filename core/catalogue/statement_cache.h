#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/catalogue/statement.h"

struct sqlite3;

namespace sv {

// The prepared statements of one connection, kept by their SQL text so that a scan prepares
// each of its statements once instead of once per file. Not thread-safe: the owner of the
// connection serialises its use.
class StatementCache {
  public:
    explicit StatementCache(sqlite3* db) : db_(db) {}

    // The statement for the text, handed out reset and without bindings; when the lease ends
    // it is reset again so that it holds no read snapshot and no bound values. Only one
    // lease per text may be open at a time.
    class Lease {
      public:
        explicit Lease(Statement& statement) : statement_(statement) {}
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Statement& operator*() const { return statement_; }
        Statement* operator->() const { return &statement_; }

      private:
        Statement& statement_;
    };

    // Throws std::runtime_error with SQLite's message when the text cannot be prepared.
    Lease acquire(std::string_view sql);

  private:
    sqlite3* db_;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
};

}  // namespace sv
