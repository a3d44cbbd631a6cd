#include "db/writer/jet_writer.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "db/writer/jet_header.h"
#include "db/writer/jet_page.h"
#include "db/writer/jet_row.h"
#include "db/writer/jet_table.h"
#include "db/writer/jet_text.h"
#include "db/writer/jet_usage_map.h"
#include "db/writer/writer_errors.h"
#include "text/utf.h"

namespace scandrel::db::writer {
namespace {

constexpr uint32_t kUsageMapPage = 1;
constexpr uint32_t kCatalogPage = 2;
constexpr size_t kMaxUserTables = 25;       // all usage maps share page 1
constexpr uint32_t kMaxPages = 0x80000;     // 2 GB, the format's limit
constexpr size_t kMemoHeader = 12;
constexpr size_t kInlineMemoLimit = 256;    // longer memos go to long-value pages
constexpr size_t kCompressibleMemo = 1024;  // characters; longer memos are stored plain
constexpr size_t kChainChunk = DataPage::kMaxRow - 4;
constexpr uint32_t kMaxMemoBytes = 0x00FFFFFF;
constexpr uint8_t kMemoInline = 0x80;
constexpr uint8_t kMemoSingle = 0x40;

constexpr int32_t kTablesContainer = 0x0F000001;
constexpr int32_t kObjectsRoot = 0x0F000000;
constexpr int32_t kSystemFlag = INT32_MIN;  // 0x80000000
constexpr double kCreated = 36526.0;        // 2000-01-01
constexpr int16_t kOdbcLinkType = 4;
constexpr int16_t kJetLinkType = 6;
constexpr int32_t kFirstLinkId = 0x0F000100;  // links have no definition page
constexpr size_t kDatabaseColumn = 8, kConnectColumn = 9, kForeignNameColumn = 10;

TableDef catalogDefinition() {
    using T = ColumnType;
    return {u"MSysObjects",
            {{u"Id", T::Long},          {u"ParentId", T::Long},      {u"Name", T::Text, 255},
             {u"Type", T::Integer},     {u"DateCreate", T::DateTime}, {u"DateUpdate", T::DateTime},
             {u"Owner", T::Binary},     {u"Flags", T::Long},         {u"Database", T::Memo},
             {u"Connect", T::Memo},     {u"ForeignName", T::Text, 255}, {u"RmtInfoShort", T::Binary},
             {u"RmtInfoLong", T::Ole},  {u"Lv", T::Ole},             {u"LvProp", T::Ole},
             {u"LvModule", T::Ole},     {u"LvExtra", T::Ole}}};
}

std::vector<Value> catalogRow(int32_t id, int32_t parent, std::u16string name, int16_t type, int32_t flags) {
    std::vector<Value> row(17, Value::null());
    row[0] = Value::longValue(id);
    row[1] = Value::longValue(parent);
    row[2] = Value::text(std::move(name));
    row[3] = Value::integer(type);
    row[4] = Value::date(kCreated);
    row[5] = Value::date(kCreated);
    row[7] = Value::longValue(flags);
    return row;
}

struct TableState {
    TableLayout layout;
    uint32_t definitionPage = 0;
    std::optional<DataPage> current;
    std::vector<uint32_t> pages;
    uint32_t rows = 0;
};

struct PendingMemo {
    size_t column;
    Bytes bytes;
    bool inlined;
};

}  // namespace

struct JetWriter::Impl {
    std::filesystem::path path;
    std::ofstream file;
    std::vector<TableState> tables;  // [0] is the catalog
    std::vector<LinkDef> links;
    std::vector<std::pair<std::u16string, int16_t>> objects;  // forms, reports, ...
    std::optional<DataPage> longValues;
    uint32_t nextPage = 0;
    bool finished = false;

    uint32_t allocate() {
        if (nextPage >= kMaxPages) throw fileTooLarge();
        return nextPage++;
    }

    void writePage(uint32_t number, const Bytes& page) {
        file.seekp(static_cast<std::streamoff>(number) * static_cast<std::streamoff>(kPageSize));
        file.write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
        if (!file) throw writeFailed(path.u16string());
    }

    // Stores a memo on long-value pages; returns its 12-byte field.
    Bytes storeLongValue(const Bytes& bytes) {
        Bytes field(kMemoHeader, 0);
        const auto length = static_cast<uint32_t>(bytes.size());
        if (bytes.size() <= DataPage::kMaxRow) {
            if (!longValues || !longValues->fits(bytes.size())) {
                if (longValues) writePage(longValues->number(), longValues->bytes());
                longValues.emplace(allocate(), DataPage::kLongValueOwner);
            }
            const uint8_t row = longValues->add(bytes);
            put32(&field[0], length | (uint32_t{kMemoSingle} << 24));
            put32(&field[4], rowPointer(longValues->number(), row));
            return field;
        }
        const size_t chunks = (bytes.size() + kChainChunk - 1) / kChainChunk;
        const uint32_t first = nextPage;
        for (size_t i = 0; i < chunks; ++i) allocate();
        for (size_t i = 0; i < chunks; ++i) {
            const size_t from = i * kChainChunk;
            const size_t to = std::min(bytes.size(), from + kChainChunk);
            Bytes row(4 + (to - from), 0);
            if (i + 1 < chunks) put32(&row[0], rowPointer(first + static_cast<uint32_t>(i) + 1, 0));
            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                      bytes.begin() + static_cast<std::ptrdiff_t>(to), row.begin() + 4);
            DataPage page(first + static_cast<uint32_t>(i), DataPage::kLongValueOwner);
            page.add(row);
            writePage(page.number(), page.bytes());
        }
        put32(&field[0], length);
        put32(&field[4], rowPointer(first, 0));
        return field;
    }

    void add(TableState& table, const std::vector<Value>& values) {
        const TableLayout& layout = table.layout;
        if (values.size() != layout.columns.size()) throw invalidArgument(layout.name);
        std::vector<Cell> cells(values.size());
        std::vector<PendingMemo> memos;
        for (const ColumnLayout& c : layout.columns) {
            const Value& v = values[c.number];
            if (c.def.type != ColumnType::Memo) {
                cells[c.number] = encodeCell(c, v);
                continue;
            }
            if (v.isNull()) continue;
            if (v.kind() != Value::Kind::Text) throw typeMismatch(c.def.name);
            const std::u16string& s = v.asText();
            checkStorableText(s, c.def.name);
            Bytes bytes = encodeJetText(s, s.size() <= kCompressibleMemo);
            if (bytes.size() > kMaxMemoBytes) throw textTooLong(c.def.name);
            const bool inlined = bytes.size() <= kInlineMemoLimit;
            memos.push_back({c.number, std::move(bytes), inlined});
        }
        auto memoCell = [](const PendingMemo& m) {
            Bytes cell(kMemoHeader, 0);
            put32(&cell[0], static_cast<uint32_t>(m.bytes.size()) | (uint32_t{kMemoInline} << 24));
            cell.insert(cell.end(), m.bytes.begin(), m.bytes.end());
            return cell;
        };
        for (const PendingMemo& m : memos) cells[m.column] = m.inlined ? memoCell(m) : Bytes(kMemoHeader, 0);
        // Move the largest inline memos out until the row fits its page.
        while (rowSize(layout, cells) > DataPage::kMaxRow) {
            PendingMemo* largest = nullptr;
            for (PendingMemo& m : memos) {
                if (m.inlined && (!largest || m.bytes.size() > largest->bytes.size())) largest = &m;
            }
            if (!largest) throw rowTooLarge(layout.name);
            largest->inlined = false;
            cells[largest->column] = Bytes(kMemoHeader, 0);
        }
        for (const PendingMemo& m : memos) {
            if (!m.inlined) cells[m.column] = storeLongValue(m.bytes);
        }
        const Bytes row = assembleRow(layout, cells);
        if (!table.current || !table.current->fits(row.size())) {
            if (table.current) writePage(table.current->number(), table.current->bytes());
            table.current.emplace(allocate(), table.definitionPage);
            table.pages.push_back(table.current->number());
        }
        table.current->add(row);
        ++table.rows;
    }

    void flush(std::optional<DataPage>& page) {
        if (page) writePage(page->number(), page->bytes());
        page.reset();
    }

    void finish() {
        for (TableState& t : tables) flush(t.current);

        TableState& catalog = tables[0];
        const std::vector<Value> containers[] = {
            catalogRow(kTablesContainer, kObjectsRoot, u"Tables", 3, kSystemFlag),
            catalogRow(kTablesContainer + 1, kObjectsRoot, u"Databases", 3, kSystemFlag),
            catalogRow(kTablesContainer + 2, kObjectsRoot, u"Relationships", 3, kSystemFlag),
            catalogRow(static_cast<int32_t>(kCatalogPage), kTablesContainer, u"MSysObjects", 1, kSystemFlag),
        };
        for (const auto& row : containers) add(catalog, row);
        for (size_t i = 1; i < tables.size(); ++i) {
            add(catalog, catalogRow(static_cast<int32_t>(tables[i].definitionPage), kTablesContainer,
                                    tables[i].layout.name, 1, 0));
        }
        for (size_t i = 0; i < links.size(); ++i) {
            const LinkDef& link = links[i];
            const bool odbc = !link.connect.empty();
            std::vector<Value> row = catalogRow(kFirstLinkId + static_cast<int32_t>(i), kTablesContainer, link.name,
                                                odbc ? kOdbcLinkType : kJetLinkType, 0);
            if (odbc) {
                row[kConnectColumn] = Value::text(link.connect);
            } else {
                row[kDatabaseColumn] = Value::text(link.database);
            }
            row[kForeignNameColumn] = Value::text(link.foreignName);
            add(catalog, row);
        }
        for (size_t i = 0; i < objects.size(); ++i)
            add(catalog, catalogRow(kFirstLinkId + static_cast<int32_t>(links.size() + i), kObjectsRoot,
                                    objects[i].first, objects[i].second, 0));
        flush(catalog.current);
        // Last: a link's path or connection string too long for its row lies here.
        flush(longValues);

        DataPage maps(kUsageMapPage, 0);
        const Bytes freeSpaceMap = buildUsageMap({}, nextPage).row;
        for (TableState& t : tables) {
            UsageMap used = buildUsageMap(t.pages, nextPage);
            if (nextPage > kMaxPages) throw fileTooLarge();
            for (const auto& [number, page] : used.mapPages) writePage(number, page);
            const uint8_t usedRow = maps.add(used.row);
            const uint8_t freeRow = maps.add(freeSpaceMap);
            writePage(t.definitionPage,
                      tableDefinitionPage(t.layout, t.rows, rowPointer(kUsageMapPage, usedRow),
                                          rowPointer(kUsageMapPage, freeRow)));
        }
        writePage(kUsageMapPage, maps.bytes());
        writePage(0, databaseHeaderPage());
        file.flush();
        file.close();
        if (file.fail()) throw writeFailed(path.u16string());
        finished = true;
    }
};

JetWriter::JetWriter(const std::filesystem::path& path, std::vector<TableDef> tables)
    : impl_(std::make_unique<Impl>()) {
    Impl& w = *impl_;
    w.path = path;
    if (tables.size() > kMaxUserTables) throw invalidArgument(u"tabelas demais");
    TableState catalog;
    catalog.layout = layoutTable(catalogDefinition(), true);
    w.tables.push_back(std::move(catalog));
    for (const TableDef& def : tables) {
        TableState t;
        t.layout = layoutTable(def, false);
        if (t.layout.name.starts_with(u"MSys") || t.layout.name.starts_with(u"msys")) {
            throw invalidDefinition(def.name);
        }
        for (const TableState& other : w.tables) {
            if (sameName(other.layout.name, t.layout.name)) throw invalidDefinition(def.name);
        }
        // Fails now rather than at finish() when the definition cannot fit a page.
        tableDefinitionPage(t.layout, 0, 0, 0);
        w.tables.push_back(std::move(t));
    }
    w.nextPage = kCatalogPage;
    for (TableState& t : w.tables) t.definitionPage = w.allocate();

    w.file.open(path, std::ios::binary | std::ios::trunc | std::ios::out);
    if (!w.file) throw writeFailed(path.u16string());
    // Reserve the pages written last, so the file never looks complete before it is.
    for (uint32_t p = 0; p < w.nextPage; ++p) w.writePage(p, Bytes(kPageSize, 0));
}

JetWriter::~JetWriter() {
    if (!impl_ || impl_->finished) return;
    if (impl_->file.is_open()) impl_->file.close();
    std::error_code ignored;
    std::filesystem::remove(impl_->path, ignored);
}

void JetWriter::addRow(size_t tableIndex, const std::vector<Value>& row) {
    if (impl_->finished || tableIndex + 1 >= impl_->tables.size()) throw invalidArgument(u"addRow");
    impl_->add(impl_->tables[tableIndex + 1], row);
}

void JetWriter::addLink(LinkDef link) {
    Impl& w = *impl_;
    if (w.finished || link.name.empty() || link.connect.empty() == link.database.empty() ||
        link.foreignName.empty())
        throw invalidArgument(u"addLink");
    for (const TableState& t : w.tables)
        if (sameName(t.layout.name, link.name)) throw invalidDefinition(link.name);
    for (const LinkDef& other : w.links)
        if (sameName(other.name, link.name)) throw invalidDefinition(link.name);
    w.links.push_back(std::move(link));
}

void JetWriter::addObject(std::u16string name, int16_t type) {
    if (impl_->finished || name.empty()) throw invalidArgument(u"addObject");
    impl_->objects.emplace_back(std::move(name), type);
}

void JetWriter::finish() {
    if (impl_->finished) throw invalidArgument(u"finish");
    impl_->finish();
}

size_t JetWriter::rowCount(size_t tableIndex) const {
    if (tableIndex + 1 >= impl_->tables.size()) throw invalidArgument(u"rowCount");
    return impl_->tables[tableIndex + 1].rows;
}

}  // namespace scandrel::db::writer
