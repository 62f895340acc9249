#include "core/catalogue/statement_cache.h"

namespace sv {

StatementCache::Lease::~Lease() {
    statement_.reset();
    statement_.clearBindings();
}

StatementCache::Lease StatementCache::acquire(std::string_view sql) {
    auto found = statements_.find(std::string(sql));
    if (found == statements_.end())
        found = statements_.emplace(std::string(sql), std::make_unique<Statement>(db_, sql)).first;
    return Lease(*found->second);
}

}  // namespace sv
