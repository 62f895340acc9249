#include <sqlite3.h>

#include <mutex>

#include "core/catalogue/database.h"
#include "core/catalogue/statement.h"

namespace sv {

std::uint64_t Database::changeStamp() {
    const std::lock_guard lock(mutex_);
    return changeStampLocked();
}

std::uint64_t Database::changeStampLocked() {
    // data_version moves when another connection commits; total_changes counts this
    // connection's own writes, which data_version does not see.
    Statement statement(db_.get(), "PRAGMA data_version");
    statement.stepCode();
    const auto others = static_cast<std::uint64_t>(statement.int64(0));
    const auto own = static_cast<std::uint64_t>(sqlite3_total_changes64(db_.get()));
    return (others << 40) ^ own;
}

}  // namespace sv
