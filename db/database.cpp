#include "db/database.h"

#include "db/jet/byte_source.h"
#include "db/jet/engine.h"
#include "db/jet/errors.h"
#include "db/jet/query_rows.h"
#include "db/linked_tables.h"

namespace scandrel::db {

std::u16string columnTypeName(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean: return u"Boolean";
        case ColumnType::Byte: return u"Byte";
        case ColumnType::Integer: return u"Integer";
        case ColumnType::Long: return u"Long Integer";
        case ColumnType::Currency: return u"Currency";
        case ColumnType::Single: return u"Single";
        case ColumnType::Double: return u"Double";
        case ColumnType::DateTime: return u"DateTime";
        case ColumnType::Binary: return u"Binary";
        case ColumnType::Text: return u"Text";
        case ColumnType::Ole: return u"OLE";
        case ColumnType::Memo: return u"Memo";
        case ColumnType::Guid: return u"Replication ID";
        case ColumnType::Numeric: return u"Numeric";
        case ColumnType::Complex: return u"Complex";
        case ColumnType::BigInt: return u"Big Integer";
        case ColumnType::Unknown: break;
    }
    return u"Unknown";
}

bool comparableWithNumber(ColumnType type) {
    switch (type) {
        case ColumnType::Text:
        case ColumnType::Memo:
        case ColumnType::Binary:
        case ColumnType::Ole:
        case ColumnType::Guid: return false;
        default: return true;
    }
}

// Record sets.

Recordset::Recordset(std::unique_ptr<RowSet> rows) : rows_(std::move(rows)) {}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::moveFirst() { rows_->moveFirst(); }
void Recordset::moveLast() { rows_->moveLast(); }
void Recordset::moveNext() { rows_->moveNext(); }
bool Recordset::eof() const { return rows_->eof(); }
int32_t Recordset::recordCount() const { return static_cast<int32_t>(rows_->count()); }
const std::vector<ColumnInfo>& Recordset::columns() const { return rows_->columns(); }

int Recordset::fieldIndex(std::u16string_view name) const {
    const int index = rows_->find(name);
    if (index < 0) throw jet::fieldNotFound(name);
    return index;
}

Value Recordset::value(int fieldIndex) const { return rows_->value(fieldIndex); }

bool Recordset::appendText(int fieldIndex, std::u16string& out) const { return rows_->appendText(fieldIndex, out); }

void Recordset::readAhead(size_t rows, const std::vector<Link>& links) const { rows_->readAhead(rows, links); }

// Databases.

Database::Database(std::shared_ptr<jet::Engine> engine, std::filesystem::path folder, int linkDepth,
                   std::shared_ptr<OpenedBackEnds> backEnds)
    : engine_(std::move(engine)) {
    if (engine_->hasLinks() && linkDepth >= 0) {
        if (!backEnds) backEnds = std::make_shared<OpenedBackEnds>();
        links_ = std::make_shared<LinkedTables>(engine_, std::move(folder), linkDepth, std::move(backEnds));
    }
}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Database Database::open(const std::filesystem::path& path, LinkPolicy links) {
    return Database(jet::Engine::open(path), path.parent_path(), links == LinkPolicy::Follow ? 0 : -1);
}

Database Database::fromBytes(std::vector<uint8_t> bytes, std::u16string_view name) {
    return Database(jet::Engine::fromBytes(std::move(bytes), std::u16string(name)), {}, -1);
}

Database Database::fromSource(std::unique_ptr<jet::ByteSource> source, std::u16string_view name,
                              size_t cacheBytes) {
    return Database(jet::Engine::create(std::move(source), std::u16string(name),
                                        cacheBytes != 0 ? cacheBytes : jet::Engine::kCacheBudget),
                    {}, -1);
}

Recordset Database::openRecordset(std::u16string_view sql) const {
    if (observer_) observer_(sql);
    return Recordset(rows(sql));
}

std::unique_ptr<RowSet> Database::rows(std::u16string_view sql) const {
    if (links_) {
        if (std::unique_ptr<RowSet> linked = links_->open(sql)) return linked;
    }
    return std::make_unique<jet::QueryRows>(engine_->query(sql));
}

std::vector<std::u16string> Database::tableNames() const { return engine_->tableNames(); }

std::vector<ColumnInfo> Database::columns(std::u16string_view table) const {
    if (links_ && engine_->link(table)) return links_->columns(table);
    return engine_->table(table)->infos;  // a link left alone is no table: 3078
}

bool Database::isLinked(std::u16string_view table) const { return engine_->link(table) != nullptr; }

std::u16string Database::linkTarget(std::u16string_view table) const {
    const jet::Engine::Link* link = engine_->link(table);
    if (!link) return {};
    return LinkedTables::target(*link);
}

}  // namespace scandrel::db
