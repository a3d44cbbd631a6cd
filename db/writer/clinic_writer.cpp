#include "db/writer/clinic_writer.h"

#include "db/writer/jet_table.h"
#include "db/writer/writer_errors.h"

namespace scandrel::db::writer {

ClinicWriter::ClinicWriter(const std::filesystem::path& path)
    : tables_(clinicTables()), writer_(path, tables_), nextCounter_(tables_.size(), 1) {}

int32_t ClinicWriter::add(ClinicTable table, const ClinicRow& row) {
    if (table >= tables_.size()) throw invalidArgument(u"ClinicWriter::add");
    const std::vector<ColumnDef>& columns = tables_[table].columns;
    std::vector<Value> values(columns.size(), Value::null());
    std::vector<bool> given(columns.size(), false);
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].type == ColumnType::Boolean) values[i] = Value::boolean(false);
    }
    for (const auto& [name, value] : row) {
        size_t i = 0;
        while (i < columns.size() && !sameName(columns[i].name, name)) ++i;
        if (i == columns.size()) throw invalidDefinition(name);
        values[i] = value;
        given[i] = true;
    }
    // The counter is the table's first column.
    int32_t counter = 0;
    if (given[0]) {
        const Value::Kind k = values[0].kind();
        if (k == Value::Kind::Long || k == Value::Kind::Integer || k == Value::Kind::Byte) {
            counter = static_cast<int32_t>(values[0].asInteger());
        } else if (!values[0].isNull()) {
            throw typeMismatch(columns[0].name);
        }
    } else {
        counter = nextCounter_[table];
        values[0] = Value::longValue(counter);
    }
    if (counter >= nextCounter_[table]) nextCounter_[table] = counter + 1;
    writer_.addRow(table, values);
    return counter;
}

void ClinicWriter::finish() { writer_.finish(); }

}  // namespace scandrel::db::writer
