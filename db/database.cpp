#include "db/database.h"

#include "db/jet/byte_source.h"
#include "db/jet/engine.h"
#include "db/jet/errors.h"
#include "db/jet/query.h"

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

// Record sets.

Recordset::Recordset(std::unique_ptr<jet::Query> query) : query_(std::move(query)) {}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::moveFirst() { query_->moveFirst(); }
void Recordset::moveLast() { query_->moveLast(); }
void Recordset::moveNext() { query_->moveNext(); }
bool Recordset::eof() const { return query_->eof(); }
int32_t Recordset::recordCount() const { return static_cast<int32_t>(query_->count()); }
const std::vector<ColumnInfo>& Recordset::columns() const { return query_->table().infos; }

int Recordset::fieldIndex(std::u16string_view name) const {
    const int index = query_->table().find(name);
    if (index < 0) throw jet::fieldNotFound(name);
    return index;
}

Value Recordset::value(int fieldIndex) const { return query_->value(fieldIndex); }

bool Recordset::appendText(int fieldIndex, std::u16string& out) const { return query_->appendText(fieldIndex, out); }

void Recordset::readAhead(size_t rows, const std::vector<Link>& links) const {
    if (!query_->readAheadDue(rows)) return;
    std::vector<jet::Engine::AheadLink> resolved;
    for (const Link& link : links) {
        const int column = query_->table().find(link.field);
        if (column >= 0) resolved.push_back({std::u16string(link.statement), static_cast<size_t>(column)});
    }
    query_->readAhead(rows, resolved);
}

// Databases.

Database::Database(std::shared_ptr<jet::Engine> engine) : engine_(std::move(engine)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Database Database::open(const std::filesystem::path& path) { return Database(jet::Engine::open(path)); }

Database Database::fromBytes(std::vector<uint8_t> bytes, std::u16string_view name) {
    return Database(jet::Engine::fromBytes(std::move(bytes), std::u16string(name)));
}

Database Database::fromSource(std::unique_ptr<jet::ByteSource> source, std::u16string_view name,
                              size_t cacheBytes) {
    return Database(jet::Engine::create(std::move(source), std::u16string(name),
                                        cacheBytes != 0 ? cacheBytes : jet::Engine::kCacheBudget));
}

Recordset Database::openRecordset(std::u16string_view sql) const { return Recordset(engine_->query(sql)); }

std::vector<std::u16string> Database::tableNames() const { return engine_->tableNames(); }

std::vector<ColumnInfo> Database::columns(std::u16string_view table) const { return engine_->table(table)->infos; }

}  // namespace scandrel::db
