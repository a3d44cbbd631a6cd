#include "db/jet/query_rows.h"

namespace scandrel::db::jet {

void QueryRows::readAhead(size_t rows, const std::vector<ReadAheadLink>& links) const {
    if (!query_->readAheadDue(rows)) return;
    std::vector<Engine::AheadLink> resolved;
    for (const ReadAheadLink& link : links) {
        const int column = query_->table().find(link.field);
        if (column >= 0) resolved.push_back({std::u16string(link.statement), static_cast<size_t>(column)});
    }
    query_->readAhead(rows, resolved);
}

}  // namespace scandrel::db::jet
