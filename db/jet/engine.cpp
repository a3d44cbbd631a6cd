#include "db/jet/engine.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "db/jet/collation.h"
#include "db/jet/copied_source.h"
#include "db/jet/field_value.h"
#include "db/jet/long_value.h"
#include "db/jet/query.h"
#include "db/jet/usage_map.h"

namespace scandrel::db::jet {
namespace {

constexpr uint32_t kCatalogPage = 2;
constexpr size_t kMostPrepared = 64;  // statements kept parsed
constexpr uint8_t kDataPageType = 0x01;
constexpr int32_t kTableType = 1;
constexpr int32_t kOdbcLinkType = 4;
constexpr int32_t kJetLinkType = 6;
constexpr uint32_t kSystemFlags = 0x80000002u;
// Reading ahead: rounds of following rows moved to other pages, and chains of long
// values; pages of a table read ahead at a time while its rows are listed, where the
// file doesn't fit the pages kept.
constexpr int kMostAheadRounds = 8;
constexpr size_t kTablePagesAhead = 1024;

// A local file larger than the budget is read a page at a time, at random (rows in
// name order lie anywhere in the file), with this many pages kept: keeping much
// of it would save few reads, and cost more in the processor's caches than the
// system's cache costs to read from.
constexpr size_t kLocalPages = 256;

size_t cachePages(const ByteSource& source, uint32_t pageSize, size_t cacheBytes) {
    const size_t budget = cacheBytes / pageSize;
    if (source.size() / pageSize > budget && !source.remote()) return std::min(budget, kLocalPages);
    return budget;
}

bool holdsLongValue(const JetColumn& column) {
    return column.code == type_code::kMemo || column.code == type_code::kOle;
}

// Digits of a 96-bit magnitude divided by ten; returns the remainder.
uint32_t divideByTen(std::array<uint32_t, 3>& words) {
    uint64_t remainder = 0;
    for (size_t i = words.size(); i-- > 0;) {
        const uint64_t current = (remainder << 32) | words[i];
        words[i] = static_cast<uint32_t>(current / 10);
        remainder = current % 10;
    }
    return static_cast<uint32_t>(remainder);
}

double decimalToDouble(const Value::Decimal& d) {
    double magnitude = static_cast<double>(d.mantissa[0]) + std::ldexp(static_cast<double>(d.mantissa[1]), 32) +
                       std::ldexp(static_cast<double>(d.mantissa[2]), 64);
    magnitude /= std::pow(10.0, d.scale);
    return d.negative ? -magnitude : magnitude;
}

// How a value sorts: nulls first, then by number, or by text key for texts and bytes.
// The text key's code units are kept high byte first, so that comparing its bytes
// (one memcmp) orders it as its code units would.
struct SortKey {
    bool null = true;
    double number = 0;
    std::string text;
};

void appendUnit(std::string& key, char16_t unit) {
    key.push_back(static_cast<char>(unit >> 8));
    key.push_back(static_cast<char>(unit & 0xFF));
}

std::string bytesOf(const std::u16string& units) {
    std::string key(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        key[2 * i] = static_cast<char>(units[i] >> 8);
        key[2 * i + 1] = static_cast<char>(units[i] & 0xFF);
    }
    return key;
}

SortKey sortKeyOf(const Value& v) {
    SortKey key;
    key.null = false;
    switch (v.kind()) {
        case Value::Kind::Empty:
        case Value::Kind::Null: key.null = true; break;
        case Value::Kind::Boolean: key.number = v.asBoolean() ? -1 : 0; break;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long: key.number = static_cast<double>(v.asInteger()); break;
        case Value::Kind::Currency: key.number = static_cast<double>(v.asInteger()) / 10000.0; break;
        case Value::Kind::Single:
        case Value::Kind::Double:
        case Value::Kind::Date: key.number = v.asDouble(); break;
        case Value::Kind::Decimal: key.number = decimalToDouble(v.asDecimal()); break;
        case Value::Kind::Text: key.text = bytesOf(collationKey(v.asText())); break;
        case Value::Kind::Binary:
            for (uint8_t b : v.asBinary()) appendUnit(key.text, static_cast<char16_t>(b + 1));
            break;
        case Value::Kind::Guid:
            for (uint8_t b : v.asGuid()) appendUnit(key.text, static_cast<char16_t>(b + 1));
            break;
    }
    if (std::isnan(key.number)) key.number = 0;
    return key;
}

bool keyLess(const SortKey& a, const SortKey& b) {
    if (a.null != b.null) return a.null;
    if (a.number != b.number) return a.number < b.number;
    return a.text < b.text;
}

std::shared_ptr<const RowList> inOrder(const RowList& rows, const std::vector<SortKey>& keys, bool descending) {
    std::vector<uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keyLess(keys[b], keys[a]); });
    else
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keyLess(keys[a], keys[b]); });
    auto out = std::make_shared<RowList>();
    out->reserve(rows.size());
    for (uint32_t i : order) out->push_back(rows[i]);
    return out;
}

}  // namespace

Engine::Engine(std::unique_ptr<ByteSource> source, std::u16string name, const Format& format, size_t pagesKept,
               std::shared_ptr<PageBudget> budget)
    : name_(std::move(name)), pages_(std::move(source), format.pageSize, pagesKept, std::move(budget)), format_(format) {}

std::shared_ptr<Engine> Engine::create(std::unique_ptr<ByteSource> source, std::u16string name, size_t cacheBytes) {
    return create(std::move(source), std::move(name), std::make_shared<PageBudget>(cacheBytes));
}

std::shared_ptr<Engine> Engine::create(std::unique_ptr<ByteSource> source, std::u16string name,
                                       std::shared_ptr<PageBudget> budget) {
    Format format;
    try {
        std::vector<uint8_t> header(kSmallestPage);
        if (!source->read(0, header.data(), header.size())) corrupt();
        format = readFormat(Bytes(header.data(), header.size()));
    } catch (const CorruptFile&) {
        throw unrecognizedFormat(name);
    }
    if (format.encrypted) throw invalidPassword();
    source = copiedFromNetwork(std::move(source));
    const size_t kept = cachePages(*source, format.pageSize, budget->bytes());
    auto engine = std::make_shared<Engine>(std::move(source), std::move(name), format, kept, std::move(budget));
    engine->guarded([&] { engine->readCatalog(); });
    return engine;
}

std::shared_ptr<Engine> Engine::open(const std::filesystem::path& path) {
    std::unique_ptr<ByteSource> source = openFileSource(path);
    return create(std::move(source), path.u16string());
}

std::shared_ptr<Engine> Engine::fromBytes(std::vector<uint8_t> bytes, std::u16string name) {
    return create(memorySource(std::move(bytes)), std::move(name));
}

void Engine::startOver() {
    pages_.startOver();
    ++readings_;
    // Record sets already open keep the row lists and definitions they hold.
    definitions_.clear();
    rows_.clear();
    prepared_.clear();
    lookups_.clear();
    orders_.clear();
}

void Engine::readCatalog() {
    catalog_.clear();
    links_.clear();
    const TableDef catalog = readTableDef(pages_, format_, kCatalogPage);
    const int id = catalog.find(u"Id");
    const int name = catalog.find(u"Name");
    const int type = catalog.find(u"Type");
    const int flags = catalog.find(u"Flags");
    if (id < 0 || name < 0 || type < 0 || flags < 0) corrupt();
    // Where linked tables point to; files without these columns have no links.
    const int database = catalog.find(u"Database");
    const int connect = catalog.find(u"Connect");
    const int foreignName = catalog.find(u"ForeignName");
    const auto integerAt = [&](int column, Bytes row) -> int64_t {
        const Value v = value(catalog.columns[static_cast<size_t>(column)], row);
        return v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Long ? v.asInteger() : 0;
    };
    const auto textAt = [&](int column, Bytes row) -> std::u16string {
        if (column < 0) return {};
        const Value v = value(catalog.columns[static_cast<size_t>(column)], row);
        return v.kind() == Value::Kind::Text ? v.asText() : std::u16string();
    };
    const std::shared_ptr<const RowList> rows = rowsOf(catalog);
    for (const RowRef& ref : *rows) {
        const RowBytes row = locate(ref);
        // Exactly: a report is stored as 0x8004 and is no ODBC link.
        const int64_t kind = integerAt(type, row.bytes);
        if (kind != kTableType && kind != kJetLinkType && kind != kOdbcLinkType) continue;
        if (static_cast<uint32_t>(integerAt(flags, row.bytes)) & kSystemFlags) continue;
        const Value tableName = value(catalog.columns[static_cast<size_t>(name)], row.bytes);
        if (tableName.kind() != Value::Kind::Text) continue;
        CatalogEntry entry;
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
            entry.link = static_cast<int>(links_.size());
            links_.push_back(std::move(link));
        }
        catalog_.push_back(std::move(entry));
    }
    rows_.erase(kCatalogPage);
}

std::vector<std::u16string> Engine::tableNames() const {
    std::vector<std::u16string> names;
    names.reserve(catalog_.size());
    for (const CatalogEntry& entry : catalog_) names.push_back(entry.name);
    return names;
}

std::shared_ptr<const TableDef> Engine::table(std::u16string_view name) {
    const std::u16string folded = foldName(name);
    for (const CatalogEntry& entry : catalog_) {
        if (entry.folded != folded || entry.link >= 0) continue;
        auto& slot = definitions_[entry.tdefPage];
        if (!slot) slot = guarded([&] { return std::make_shared<const TableDef>(readTableDef(pages_, format_, entry.tdefPage)); });
        return slot;
    }
    throw tableNotFound(name);
}

const Engine::Link* Engine::link(std::u16string_view name) const {
    if (links_.empty()) return nullptr;
    const std::u16string folded = foldName(name);
    for (const CatalogEntry& entry : catalog_)
        if (entry.link >= 0 && entry.folded == folded) return &links_[static_cast<size_t>(entry.link)];
    return nullptr;
}

RowBytes Engine::locate(RowRef ref) { return locateRow(pages_, format_, ref); }

Value Engine::value(const JetColumn& column, Bytes row) {
    return fieldValue(pages_, format_, column, fieldSlice(row, format_, column));
}

template <class Visit>
void Engine::visitRows(const RowList& rows, Visit&& visit) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i % kTablePagesAhead == 0 && !pages_.fileFits()) {
            std::vector<uint32_t> ahead;
            for (size_t j = i; j < std::min(rows.size(), i + kTablePagesAhead); ++j) ahead.push_back(rows[j].page);
            pages_.fetch(std::move(ahead));
        }
        visit(i, locate(rows[i]).bytes);
    }
}

template <class Visit, class Restart>
std::shared_ptr<const RowList> Engine::scanRows(const TableDef& def, Visit&& visit, Restart&& restart) {
    if (const auto found = rows_.find(def.tdefPage); found != rows_.end() && found->second) {
        const std::shared_ptr<const RowList> rows = found->second;
        visitRows(*rows, visit);
        return rows;
    }
    // The list is made page by page, and each page's rows are visited while it is at
    // hand: a table larger than the cache is read once, not once more for its values.
    auto rows = std::make_shared<RowList>();
    std::vector<RowRef> moved;  // where rows moved by an update now lie
    const std::vector<uint32_t> owned = mappedPages(pages_, format_, def.usageMap);
    for (size_t at = 0; at < owned.size(); ++at) {
        const uint32_t number = owned[at];
        if (at % kTablePagesAhead == 0 && !pages_.fileFits()) {
            const auto from = owned.begin() + static_cast<std::ptrdiff_t>(at);
            pages_.fetch(std::vector<uint32_t>(from, from + static_cast<std::ptrdiff_t>(std::min(kTablePagesAhead, owned.size() - at))));
        }
        const PagePtr page = pages_.page(number);
        const Bytes b(page->data(), page->size());
        if (b.u8(0) != kDataPageType || b.u32(4) != def.tdefPage) continue;
        const size_t first = rows->size();
        listRows(number, *page, format_, *rows, moved);
        for (size_t i = first; i < rows->size(); ++i) visit(i, locate((*rows)[i]).bytes);
    }
    // A moved row's data is normally marked so as not to be listed where it now lies;
    // where it is listed there too, it is taken out and the rows visited again.
    if (!moved.empty()) {
        const auto order = [](const RowRef& a, const RowRef& b) {
            return a.page != b.page ? a.page < b.page : a.row < b.row;
        };
        std::sort(moved.begin(), moved.end(), order);
        const auto isMoved = [&](const RowRef& ref) {
            return std::binary_search(moved.begin(), moved.end(), ref, order);
        };
        if (std::any_of(rows->begin(), rows->end(), isMoved)) {
            std::erase_if(*rows, isMoved);
            restart();
            visitRows(*rows, visit);
        }
    }
    rows->shrink_to_fit();
    rows_[def.tdefPage] = rows;
    return rows;
}

template <class Each>
void Engine::fetchRowsAhead(std::vector<AheadRows>& groups, Each&& each) {
    std::vector<uint32_t> wanted;
    for (const AheadRows& group : groups)
        for (const RowRef& ref : group.refs) wanted.push_back(ref.page);
    // Rows, then the rows they were moved to.
    std::vector<std::pair<const TableDef*, RowBytes>> located;
    std::vector<uint32_t> asked;
    for (int round = 0; round < kMostAheadRounds && !wanted.empty(); ++round) {
        asked.insert(asked.end(), wanted.begin(), wanted.end());
        std::sort(asked.begin(), asked.end());
        pages_.fetch(std::move(wanted));
        wanted.clear();
        for (AheadRows& group : groups) {
            std::vector<RowRef> waiting;
            for (const RowRef& ref : group.refs) {
                uint32_t missing = 0;
                try {
                    if (auto row = locateRowAtHand(pages_, format_, ref, missing)) {
                        located.emplace_back(group.def, std::move(*row));
                    } else if (!std::binary_search(asked.begin(), asked.end(), missing)) {
                        // The row was moved to a page not asked for yet: that page next.
                        wanted.push_back(missing);
                        waiting.push_back(ref);
                    }
                } catch (const CorruptFile&) {
                    // Left to be read, and reported, when it is asked for.
                }
            }
            group.refs = std::move(waiting);
        }
        std::erase_if(wanted, [&](uint32_t page) { return pages_.peek(page) != nullptr; });
    }
    // Long values, then the rest of their chains.
    std::vector<uint32_t> chains;
    for (const auto& [def, row] : located) {
        each(*def, row.bytes);
        for (const JetColumn& column : def->columns) {
            if (!holdsLongValue(column)) continue;
            try {
                const FieldSlice slice = fieldSlice(row.bytes, format_, column);
                if (slice.state != FieldSlice::State::Data) continue;
                bool chain = false;
                const uint32_t start = longValueStart(slice.data, chain);
                if (start == 0) continue;
                wanted.push_back(start >> 8);
                if (chain) chains.push_back(start);
            } catch (const CorruptFile&) {
            }
        }
    }
    for (int round = 0; round < kMostAheadRounds && !wanted.empty(); ++round) {
        pages_.fetch(std::move(wanted));
        wanted.clear();
        std::vector<uint32_t> next;
        for (const uint32_t pointer : chains) {
            try {
                bool missing = false;
                const uint32_t after = nextInChainAtHand(pages_, format_, pointer, missing);
                if (after == 0 || after == pointer) continue;
                next.push_back(after);
                if (!pages_.peek(after >> 8)) wanted.push_back(after >> 8);
            } catch (const CorruptFile&) {
            }
        }
        chains = std::move(next);
    }
}

void Engine::readAhead(const TableDef& def, const RowList& rows, size_t begin, size_t end,
                       const std::vector<AheadLink>& links) {
    if (!pages_.plansReads() || begin >= end || end > rows.size()) return;
    std::vector<AheadRows> first(1);
    first[0].def = &def;
    first[0].refs.assign(rows.begin() + static_cast<std::ptrdiff_t>(begin), rows.begin() + static_cast<std::ptrdiff_t>(end));
    // The statements linked, as prepared when they were first sent; one not sent yet
    // is left out.
    std::vector<std::pair<const AheadLink*, const Prepared*>> prepared;
    for (const AheadLink& link : links) {
        const auto found = prepared_.find(link.head);
        if (found != prepared_.end() && link.column < def.columns.size()) prepared.emplace_back(&link, &found->second);
    }
    std::map<const TableDef*, std::vector<RowRef>> related;
    fetchRowsAhead(first, [&](const TableDef& table, Bytes row) {
        for (const auto& [link, statement] : prepared) {
            const JetColumn& column = table.columns[link->column];
            if (holdsLongValue(column)) continue;
            try {
                const std::optional<int64_t> key = lookupKey(value(column, row));
                if (!key) continue;
                const auto [at, count] = statement->lookup->ranges.find(*key);
                const RowList& found = *statement->lookup->rows;
                auto& refs = related[statement->def.get()];
                refs.insert(refs.end(), found.begin() + at, found.begin() + at + count);
            } catch (const CorruptFile&) {
            }
        }
    });
    std::vector<AheadRows> second;
    for (auto& [table, refs] : related) second.push_back(AheadRows{table, std::move(refs)});
    fetchRowsAhead(second, [](const TableDef&, Bytes) {});
}

bool Engine::appendText(const JetColumn& column, Bytes row, std::u16string& out) {
    return appendFieldText(pages_, format_, column, fieldSlice(row, format_, column), out);
}

std::shared_ptr<const RowList> Engine::rowsOf(const TableDef& def) {
    return scanRows(def, [](size_t, Bytes) {}, [] {});
}

std::optional<int64_t> Engine::lookupKey(const Value& v) const {
    switch (v.kind()) {
        case Value::Kind::Boolean: return v.asBoolean() ? -1 : 0;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long: return v.asInteger();
        case Value::Kind::Currency: {
            const int64_t raw = v.asInteger();
            if (raw % 10000 != 0) return std::nullopt;
            return raw / 10000;
        }
        case Value::Kind::Single:
        case Value::Kind::Double:
        case Value::Kind::Date: {
            const double d = v.asDouble();
            if (!std::isfinite(d) || d != std::floor(d) || d < -9.2e18 || d > 9.2e18) return std::nullopt;
            return static_cast<int64_t>(d);
        }
        case Value::Kind::Decimal: {
            Value::Decimal d = v.asDecimal();
            for (uint8_t i = 0; i < d.scale; ++i)
                if (divideByTen(d.mantissa) != 0) return std::nullopt;
            if (d.mantissa[2] != 0 || d.mantissa[1] > 0x7FFFFFFFu) return std::nullopt;
            const int64_t magnitude = static_cast<int64_t>((static_cast<uint64_t>(d.mantissa[1]) << 32) | d.mantissa[0]);
            return d.negative ? -magnitude : magnitude;
        }
        default: return std::nullopt;
    }
}

const Engine::Lookup& Engine::lookup(const TableDef& def, size_t column) {
    const auto key = std::make_pair(def.tdefPage, column);
    if (auto found = lookups_.find(key); found != lookups_.end()) return found->second;

    std::vector<int64_t> keys;  // of the rows that have one, in list order
    std::vector<uint32_t> at;   // where those rows are in the list
    const std::shared_ptr<const RowList> all = scanRows(
        def,
        [&](size_t i, Bytes row) {
            if (const auto k = lookupKey(value(def.columns[column], row))) {
                keys.push_back(*k);
                at.push_back(static_cast<uint32_t>(i));
            }
        },
        [&] {
            keys.clear();
            at.clear();
        });

    Lookup made;
    auto grouped = std::make_shared<RowList>(keys.size());
    if (!keys.empty()) {
        const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
        const int64_t lowest = *low;
        if (KeyRanges::denseFits(lowest, *high, keys.size())) {
            // Record numbers: each row goes straight to its place, counted out per number.
            const auto place = [lowest](int64_t k) {
                return static_cast<size_t>(static_cast<uint64_t>(k) - static_cast<uint64_t>(lowest));
            };
            std::vector<uint32_t> starts(place(*high) + 2, 0);
            for (const int64_t k : keys) ++starts[place(k) + 1];
            for (size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
            std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
            for (size_t i = 0; i < keys.size(); ++i) (*grouped)[next[place(keys[i])]++] = (*all)[at[i]];
            made.ranges = KeyRanges::dense(lowest, std::move(starts));
        } else {
            std::vector<uint32_t> order(keys.size());
            std::iota(order.begin(), order.end(), 0u);
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
            std::vector<int64_t> sortedKeys;
            sortedKeys.reserve(keys.size());
            for (size_t i = 0; i < order.size(); ++i) {
                (*grouped)[i] = (*all)[at[order[i]]];
                sortedKeys.push_back(keys[order[i]]);
            }
            made.ranges = KeyRanges(sortedKeys);
        }
    }
    made.rows = std::move(grouped);
    // The plain list of the table is made again if it is asked for: kept beside the
    // look-up, which holds the same rows, it would double what a large table takes.
    rows_.erase(def.tdefPage);
    return lookups_.emplace(key, std::move(made)).first->second;
}

std::shared_ptr<const RowList> Engine::sorted(const TableDef& def, size_t column, bool descending,
                                              const RowList& rows) {
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (const RowRef& ref : rows) {
        const RowBytes row = locate(ref);
        keys.push_back(sortKeyOf(value(def.columns[column], row.bytes)));
    }
    return inOrder(rows, keys, descending);
}

std::shared_ptr<const RowList> Engine::sortedTable(const TableDef& def, size_t column, bool descending) {
    std::vector<SortKey> keys;
    const std::shared_ptr<const RowList> rows =
        scanRows(def, [&](size_t, Bytes row) { keys.push_back(sortKeyOf(value(def.columns[column], row))); },
                 [&] { keys.clear(); });
    return inOrder(*rows, keys, descending);
}


std::unique_ptr<Query> Engine::query(std::u16string_view sql) {
    // The search opens the same few statements for every patient, each time with
    // another number: those are parsed and resolved once.
    const std::optional<size_t> numberAt = trailingNumberStart(sql);
    if (numberAt) {
        if (const auto found = prepared_.find(sql.substr(0, *numberAt)); found != prepared_.end()) {
            const Prepared& prepared = found->second;
            const SelectStatement::Where where = withNumber(prepared.where, sql.substr(*numberAt));
            return guarded([&] { return rowsWith(prepared, where); });
        }
    }

    const SelectStatement statement = parseSelect(sql);
    std::shared_ptr<const TableDef> def = table(statement.table);
    std::optional<size_t> whereColumn, orderColumn;
    if (statement.where) {
        const int at = def->find(statement.where->column);
        if (at < 0) throw fieldNotFound(statement.where->column);
        whereColumn = static_cast<size_t>(at);
        if (!comparableWithNumber(def->columns[*whereColumn].info.type)) throw typeMismatchInCriteria();
    }
    if (statement.orderBy) {
        const int at = def->find(statement.orderBy->column);
        if (at < 0) throw fieldNotFound(statement.orderBy->column);
        orderColumn = static_cast<size_t>(at);
    }
    return guarded([&]() -> std::unique_ptr<Query> {
        std::shared_ptr<const RowList> rows;
        size_t begin = 0, end = 0;
        if (whereColumn && !orderColumn) {
            const Prepared prepared{def, *statement.where, *whereColumn, &lookup(*def, *whereColumn)};
            // The number ends the statement: later ones that differ only in it find it prepared.
            if (numberAt) prepare(sql.substr(0, *numberAt), prepared);
            return rowsWith(prepared, *statement.where);
        }
        if (whereColumn) {
            const Lookup& found = lookup(*def, *whereColumn);
            rows = found.rows;
            if (!statement.where->outOfRange) {
                const auto [first, count] = found.ranges.find(statement.where->value);
                begin = first;
                end = begin + count;
            }
            if (end - begin > 1) {
                const RowList subset(rows->begin() + static_cast<std::ptrdiff_t>(begin),
                                     rows->begin() + static_cast<std::ptrdiff_t>(end));
                rows = sorted(*def, *orderColumn, statement.orderBy->descending, subset);
                begin = 0;
                end = rows->size();
            }
        } else if (orderColumn) {
            auto& slot = orders_[{def->tdefPage, *orderColumn, statement.orderBy->descending}];
            if (!slot) slot = sortedTable(*def, *orderColumn, statement.orderBy->descending);
            rows = slot;
            end = rows->size();
        } else {
            rows = rowsOf(*def);
            end = rows->size();
        }
        return std::make_unique<Query>(shared_from_this(), def, std::move(rows), begin, end);
    });
}

void Engine::prepare(std::u16string_view head, const Prepared& prepared) {
    // A caller sending ever new statements must not make this grow without end.
    if (prepared_.size() >= kMostPrepared) prepared_.clear();
    prepared_.insert_or_assign(std::u16string(head), prepared);
}

std::unique_ptr<Query> Engine::rowsWith(const Prepared& prepared, const SelectStatement::Where& where) {
    size_t begin = 0, end = 0;
    if (!where.outOfRange) {
        const auto [first, count] = prepared.lookup->ranges.find(where.value);
        begin = first;
        end = begin + count;
    }
    return std::make_unique<Query>(shared_from_this(), prepared.def, prepared.lookup->rows, begin, end);
}

}  // namespace scandrel::db::jet
