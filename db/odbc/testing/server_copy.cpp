#include "db/odbc/testing/server_copy.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "db/writer/jet_writer.h"
#include "text/date.h"
#include "text/utf.h"

namespace scandrel::db::odbc::testing {
namespace {

constexpr size_t kRowsPerInsert = 200;

std::string serverType(const ColumnInfo& column) {
    switch (column.type) {
        case ColumnType::Text: return "varchar(" + std::to_string(std::max(1, column.size / 2)) + ")";
        case ColumnType::Memo: return "text";
        case ColumnType::Boolean: return "boolean";
        case ColumnType::Byte:
        case ColumnType::Integer: return "smallint";
        case ColumnType::Long: return "integer";
        case ColumnType::DateTime: return "timestamp";
        case ColumnType::Single: return "real";
        default: return "double precision";
    }
}

std::string literal(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Null:
        case Value::Kind::Empty: return "NULL";
        case Value::Kind::Boolean: return v.asBoolean() ? "true" : "false";
        case Value::Kind::Text: {
            std::string out = "'";
            for (const char c : toUtf8(v.asText())) out += c == '\'' ? std::string("''") : std::string(1, c);
            return out + "'";
        }
        case Value::Kind::Date: {
            const text::DateTime t = text::dateTimeFromSerial(v.asDouble());
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "'%04d-%02d-%02d %02d:%02d:%02d'", t.year, t.month, t.day, t.hour,
                          t.minute, t.second);
            return buffer;
        }
        default: {
            std::string number = toUtf8(v.toText());
            for (char& c : number) c = c == ',' ? '.' : c;
            return number;
        }
    }
}

std::string name(const std::u16string& n) { return "\"" + toUtf8(n) + "\""; }

}  // namespace

void writeServerCopy(const Database& database, const std::filesystem::path& sqlFile) {
    std::ofstream out(sqlFile, std::ios::binary | std::ios::trunc);
    out << "SET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n";
    for (const std::u16string& table : database.tableNames()) {
        const std::vector<ColumnInfo> columns = database.columns(table);
        out << "CREATE TABLE " << name(table) << " (";
        for (size_t i = 0; i < columns.size(); ++i)
            out << (i ? ", " : "") << name(columns[i].name) << " " << serverType(columns[i]);
        out << ");\n";
        Recordset rows = database.openRecordset(u"SELECT * FROM [" + table + u"]");
        size_t inBatch = 0;
        for (; !rows.eof(); rows.moveNext()) {
            out << (inBatch == 0 ? "INSERT INTO " + name(table) + " VALUES\n(" : ",\n(");
            for (size_t i = 0; i < columns.size(); ++i) out << (i ? ", " : "") << literal(rows.value(static_cast<int>(i)));
            out << ")";
            if (++inBatch == kRowsPerInsert) {
                out << ";\n";
                inBatch = 0;
            }
        }
        if (inBatch) out << ";\n";
        // Stored in the order of the record number, as the Jet file holds them: rows
        // asked for without an order then come from both in the same order.
        if (!columns.empty() && toUtf8(columns[0].name).ends_with("_ln_Counter")) {
            out << "ALTER TABLE " << name(table) << " ADD PRIMARY KEY (" << name(columns[0].name) << ");\n";
            out << "CLUSTER " << name(table) << " USING " << name(table + u"_pkey") << ";\n";
        }
    }
    out << "ANALYZE;\n";
    if (!out.flush()) throw std::runtime_error("cannot write " + sqlFile.string());
}

void writeLinkingFrontEnd(const Database& database, const std::filesystem::path& frontEnd,
                          const std::u16string& connect, const std::u16string& backEnd) {
    writer::JetWriter file(frontEnd, {});
    for (const std::u16string& table : database.tableNames()) file.addLink({table, backEnd, connect, table});
    file.finish();
}

}  // namespace scandrel::db::odbc::testing
