// Whether a query matches anything: the question a filter asks of each value it offers.
#include <sqlite3.h>

#include <stdexcept>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"
#include "core/catalogue/transaction.h"
#include "core/search/search_sql.h"

namespace sv {

bool Database::anyMatching(const SearchQuery& query) {
    const std::lock_guard lock(mutex_);
    const ReadSnapshot snapshot(db_.get());
    SqlParameters parameters;
    std::string sql = "SELECT EXISTS(SELECT 1 FROM samples s WHERE 1=1";
    appendSearchPredicates(sql, parameters, query, standingExclusionsLocked());
    sql += ")";
    Statement statement(db_.get(), sql);
    int index = 1;
    for (const auto& parameter : parameters)
        statement.bind(index++, std::string_view(parameter));
    if (statement.stepCode() != SQLITE_ROW)
        throw std::runtime_error(sqliteMessage(db_.get()));
    return statement.int64(0) != 0;
}

}  // namespace sv
