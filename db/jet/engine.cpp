#include "db/jet/engine.h"

#include <algorithm>

#include "db/jet/copied_source.h"
#include "db/jet/field_value.h"
#include "db/jet/query.h"
#include "db/jet/usage_map.h"

namespace scandrel::db::jet {
namespace {

constexpr uint8_t kDataPageType = 0x01;
// Pages of a table read ahead at a time while its rows are listed, where the file
// doesn't fit the pages kept.
constexpr size_t kTablePagesAhead = 1024;

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
    // As many pages as the budget holds: the whole file where it fits, else the
    // tables' pages the search comes back to (page_cache.h).
    const size_t kept = budget->bytes() / format.pageSize;
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
    const TableDef def = readTableDef(pages_, format_, Catalog::kPage);
    catalog_ = Catalog::read(pages_, format_, def, *rowsOf(def));
    rows_.erase(Catalog::kPage);
}

std::vector<std::u16string> Engine::tableNames() const { return catalog_.tableNames(); }

std::shared_ptr<const TableDef> Engine::table(std::u16string_view name) {
    const std::optional<uint32_t> page = catalog_.tablePage(name);
    if (!page) throw tableNotFound(name);
    auto& slot = definitions_[*page];
    if (!slot) slot = guarded([&] { return std::make_shared<const TableDef>(readTableDef(pages_, format_, *page)); });
    return slot;
}

RowBytes Engine::locate(RowRef ref) { return locateRow(pages_, format_, ref); }

Value Engine::value(const JetColumn& column, Bytes row) {
    return fieldValue(pages_, format_, column, fieldSlice(row, format_, column));
}

namespace {

// The pages of the batch of items from `at` on, of `count` items, by `pageOf(item)`.
template <class PageOf>
std::vector<uint32_t> batchOf(size_t at, size_t count, PageOf&& pageOf) {
    std::vector<uint32_t> pages;
    const size_t end = at + std::min(kTablePagesAhead, count - std::min(at, count));
    pages.reserve(end - at);
    for (size_t i = at; i < end; ++i) pages.push_back(pageOf(i));
    return pages;
}

}  // namespace

template <class PageOf>
void Engine::readTableAhead(size_t at, size_t count, PageOf&& pageOf) {
    if (at % kTablePagesAhead != 0 || pages_.fileFits()) return;
    // This batch (read alongside the one before where the source allows, else now),
    // and the next one read alongside while this one's rows are worked on.
    pages_.fetch(batchOf(at, count, pageOf));
    pages_.fetchAlongside(batchOf(at + kTablePagesAhead, count, pageOf));
}

void Engine::visitRows(const RowList& rows, const Visit& visit) {
    for (size_t i = 0; i < rows.size(); ++i) {
        readTableAhead(i, rows.size(), [&](size_t j) { return rows[j].page; });
        visit(i, locate(rows[i]).bytes);
    }
}

std::shared_ptr<const RowList> Engine::scanRows(const TableDef& def, const Visit& visit,
                                               const std::function<void()>& restart) {
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
        readTableAhead(at, owned.size(), [&](size_t j) { return owned[j]; });
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

bool Engine::appendText(const JetColumn& column, Bytes row, std::u16string& out) {
    return appendFieldText(pages_, format_, column, fieldSlice(row, format_, column), out);
}

bool Engine::appendStored(const JetColumn& column, Bytes row, StoredTexts& out) {
    return appendFieldStored(pages_, format_, column, fieldSlice(row, format_, column), out);
}

std::shared_ptr<const RowList> Engine::rowsOf(const TableDef& def) {
    return scanRows(def, [](size_t, Bytes) {}, [] {});
}

std::unique_ptr<Query> Engine::query(std::u16string_view sql) {
    // The search opens the same few statements for every patient, each time with
    // another number: those are parsed and resolved once.
    const std::optional<size_t> numberAt = trailingNumberStart(sql);
    if (numberAt) {
        if (const Prepared* found = prepared_.find(sql.substr(0, *numberAt))) {
            const Prepared& prepared = *found;
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
            if (numberAt) prepared_.add(sql.substr(0, *numberAt), prepared);
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

}  // namespace scandrel::db::jet
