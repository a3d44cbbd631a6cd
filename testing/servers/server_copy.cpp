#include "testing/servers/server_copy.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "db/writer/jet_writer.h"
#include "text/date.h"
#include "text/utf.h"

namespace scandrel::db::odbc::testing {
namespace {

constexpr size_t kRowsPerInsert = 200;

// MariaDB's text holds 64 KB, its timestamp only 1970 to 2038, its real is a double
// and its Boolean a small integer; its BIT(1) is what its driver reports as a Boolean.
std::string serverType(const ColumnInfo& column, ServerKind kind) {
    const bool maria = kind == ServerKind::MariaDB;
    switch (column.type) {
        case ColumnType::Text: return "varchar(" + std::to_string(std::max(1, column.size / 2)) + ")";
        case ColumnType::Memo: return maria ? "longtext" : "text";
        case ColumnType::Boolean: return maria ? "bit(1)" : "boolean";
        case ColumnType::Byte:
        case ColumnType::Integer: return "smallint";
        case ColumnType::Long: return "integer";
        case ColumnType::DateTime: return maria ? "datetime" : "timestamp";
        case ColumnType::Single: return maria ? "float" : "real";
        default: return "double precision";
    }
}

std::string literal(const Value& v, ServerKind kind) {
    switch (v.kind()) {
        case Value::Kind::Null:
        case Value::Kind::Empty: return "NULL";
        case Value::Kind::Boolean:
            if (kind == ServerKind::MariaDB) return v.asBoolean() ? "b'1'" : "b'0'";
            return v.asBoolean() ? "true" : "false";
        case Value::Kind::Text: {
            // MariaDB's client drops a carriage return before a line end: line ends
            // and backslashes go to it escaped.
            std::string out = "'";
            for (const char c : toUtf8(v.asText())) {
                if (c == '\'') out += "''";
                else if (kind == ServerKind::MariaDB && c == '\\') out += "\\\\";
                else if (kind == ServerKind::MariaDB && c == '\r') out += "\\r";
                else if (kind == ServerKind::MariaDB && c == '\n') out += "\\n";
                else out += c;
            }
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

void writeServerCopy(const Database& database, const std::filesystem::path& sqlFile, ServerKind kind) {
    const bool maria = kind == ServerKind::MariaDB;
    std::ofstream out(sqlFile, std::ios::binary | std::ios::trunc);
    // Names in double quotes on both.
    if (maria)
        out << "SET NAMES utf8mb4;\nSET sql_mode = 'ANSI_QUOTES,STRICT_ALL_TABLES';\n";
    else
        out << "SET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n";
    for (const std::u16string& table : database.tableNames()) {
        const std::vector<ColumnInfo> columns = database.columns(table);
        out << "CREATE TABLE " << name(table) << " (";
        for (size_t i = 0; i < columns.size(); ++i)
            out << (i ? ", " : "") << name(columns[i].name) << " " << serverType(columns[i], kind);
        out << ");\n";
        Recordset rows = database.openRecordset(u"SELECT * FROM [" + table + u"]");
        size_t inBatch = 0;
        for (; !rows.eof(); rows.moveNext()) {
            out << (inBatch == 0 ? "INSERT INTO " + name(table) + " VALUES\n(" : ",\n(");
            for (size_t i = 0; i < columns.size(); ++i) out << (i ? ", " : "") << literal(rows.value(static_cast<int>(i)), kind);
            out << ")";
            if (++inBatch == kRowsPerInsert) {
                out << ";\n";
                inBatch = 0;
            }
        }
        if (inBatch) out << ";\n";
        // Stored in the order of the record number, as the Jet file holds them: rows
        // asked for without an order then come from both in the same order. MariaDB
        // keeps a table in the order of its primary key by itself.
        if (!columns.empty() && toUtf8(columns[0].name).ends_with("_ln_Counter")) {
            out << "ALTER TABLE " << name(table) << " ADD PRIMARY KEY (" << name(columns[0].name) << ");\n";
            if (!maria) out << "CLUSTER " << name(table) << " USING " << name(table + u"_pkey") << ";\n";
        }
    }
    if (!maria) out << "ANALYZE;\n";
    if (!out.flush()) throw std::runtime_error("cannot write " + sqlFile.string());
}

void writeLinkingFrontEnd(const Database& database, const std::filesystem::path& frontEnd,
                          const std::u16string& connect, const std::u16string& backEnd) {
    writer::JetWriter file(frontEnd, {});
    for (const std::u16string& table : database.tableNames()) file.addLink({table, backEnd, connect, table});
    file.finish();
}

}  // namespace scandrel::db::odbc::testing
