#include "db/jet/catalog.h"

#include "db/base/names.h"
#include "db/jet/errors.h"
#include "db/jet/field_value.h"

namespace scandrel::db::jet {
namespace {

constexpr int32_t kTableType = 1;
constexpr int32_t kOdbcLinkType = 4;
constexpr int32_t kJetLinkType = 6;
constexpr uint32_t kSystemFlags = 0x80000002u;

}  // namespace

Catalog Catalog::read(PageCache& pages, const Format& format, const TableDef& def, const RowList& rows) {
    const int id = def.find(u"Id");
    const int name = def.find(u"Name");
    const int type = def.find(u"Type");
    const int flags = def.find(u"Flags");
    if (id < 0 || name < 0 || type < 0 || flags < 0) corrupt();
    // Where linked tables point to; files without these columns have no links.
    const int database = def.find(u"Database");
    const int connect = def.find(u"Connect");
    const int foreignName = def.find(u"ForeignName");
    const auto valueAt = [&](int column, Bytes row) {
        const JetColumn& c = def.columns[static_cast<size_t>(column)];
        return fieldValue(pages, format, c, fieldSlice(row, format, c));
    };
    const auto integerAt = [&](int column, Bytes row) -> int64_t {
        const Value v = valueAt(column, row);
        return v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Long ? v.asInteger() : 0;
    };
    const auto textAt = [&](int column, Bytes row) -> std::u16string {
        if (column < 0) return {};
        const Value v = valueAt(column, row);
        return v.kind() == Value::Kind::Text ? v.asText() : std::u16string();
    };
    Catalog catalog;
    for (const RowRef& ref : rows) {
        const RowBytes row = locateRow(pages, format, ref);
        // Exactly: a report is stored as 0x8004 and is no ODBC link.
        const int64_t kind = integerAt(type, row.bytes);
        if (kind != kTableType && kind != kJetLinkType && kind != kOdbcLinkType) continue;
        if (static_cast<uint32_t>(integerAt(flags, row.bytes)) & kSystemFlags) continue;
        const Value tableName = valueAt(name, row.bytes);
        if (tableName.kind() != Value::Kind::Text) continue;
        Entry entry;
        entry.name = tableName.asText();
        entry.folded = foldName(entry.name);
        if (kind == kTableType) {
            entry.tdefPage = static_cast<uint32_t>(integerAt(id, row.bytes)) & 0x00FFFFFFu;
        } else {
            Link link;
            link.name = entry.name;
            link.odbc = kind == kOdbcLinkType;
            link.database = textAt(database, row.bytes);
            link.connect = textAt(connect, row.bytes);
            link.foreignName = textAt(foreignName, row.bytes);
            // A link stored without the far name keeps its own.
            if (link.foreignName.empty()) link.foreignName = entry.name;
            entry.link = static_cast<int>(catalog.links_.size());
            catalog.links_.push_back(std::move(link));
        }
        catalog.entries_.push_back(std::move(entry));
    }
    return catalog;
}

std::vector<std::u16string> Catalog::tableNames() const {
    std::vector<std::u16string> names;
    names.reserve(entries_.size());
    for (const Entry& entry : entries_) names.push_back(entry.name);
    return names;
}

std::optional<uint32_t> Catalog::tablePage(std::u16string_view name) const {
    const std::u16string folded = foldName(name);
    for (const Entry& entry : entries_)
        if (entry.folded == folded && entry.link < 0) return entry.tdefPage;
    return std::nullopt;
}

const Link* Catalog::link(std::u16string_view name) const {
    if (links_.empty()) return nullptr;
    const std::u16string folded = foldName(name);
    for (const Entry& entry : entries_)
        if (entry.link >= 0 && entry.folded == folded) return &links_[static_cast<size_t>(entry.link)];
    return nullptr;
}

}  // namespace scandrel::db::jet
