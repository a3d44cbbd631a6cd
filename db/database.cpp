#include "db/database.h"

#include "db/base/errors.h"
#include "db/jet/byte_source.h"
#include "db/jet/engine.h"
#include "db/linked_tables.h"

namespace scandrel::db {

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
    if (index < 0) throw fieldNotFound(name);
    return index;
}

Value Recordset::value(int fieldIndex) const { return rows_->value(fieldIndex); }

bool Recordset::appendText(int fieldIndex, std::u16string& out) const { return rows_->appendText(fieldIndex, out); }

bool Recordset::appendStored(int fieldIndex, StoredTexts& out) const { return rows_->appendStored(fieldIndex, out); }

void Recordset::readAhead(size_t rows, const std::vector<Link>& links) const { rows_->readAhead(rows, links); }

// Databases.

Database::Database(std::unique_ptr<JetFile> file) : file_(std::move(file)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Database Database::open(const std::filesystem::path& path, LinkPolicy links) {
    return Database(std::make_unique<JetFile>(jet::Engine::open(path), path.parent_path(),
                                              links == LinkPolicy::Follow ? 0 : -1));
}

Database Database::fromBytes(std::vector<uint8_t> bytes, std::u16string_view name) {
    return Database(std::make_unique<JetFile>(jet::Engine::fromBytes(std::move(bytes), std::u16string(name)),
                                              std::filesystem::path(), -1));
}

Database Database::fromSource(std::unique_ptr<jet::ByteSource> source, std::u16string_view name,
                              size_t cacheBytes) {
    return Database(std::make_unique<JetFile>(
        jet::Engine::create(std::move(source), std::u16string(name),
                            cacheBytes != 0 ? cacheBytes : jet::Engine::kCacheBudget),
        std::filesystem::path(), -1));
}

Recordset Database::openRecordset(std::u16string_view sql) const {
    if (observer_) observer_(sql);
    return Recordset(file_->rows(sql));
}

std::vector<std::u16string> Database::tableNames() const { return file_->engine().tableNames(); }

std::vector<ColumnInfo> Database::columns(std::u16string_view table) const { return file_->columns(table); }

bool Database::isLinked(std::u16string_view table) const { return file_->engine().link(table) != nullptr; }

std::u16string Database::linkTarget(std::u16string_view table) const {
    const jet::Engine::Link* link = file_->engine().link(table);
    if (!link) return {};
    return LinkedTables::target(*link);
}

}  // namespace scandrel::db
