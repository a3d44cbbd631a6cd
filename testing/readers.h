#pragma once
// The independent readers the tests of the writer and of the demo clinic check files
// with, each giving the same plain listing of a database:
//   TABLE <name> / COLUMN <name> <type> / ROW <v>\t<v>...
// with values NULL, T:<text, \\ \t \r \n escaped>, B:0|1, I:<n>, D:<n.nnnn>,
// DT:<yyyy-mm-dd hh:mm:ss>. Types: text memo long integer byte boolean double datetime.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "db/database.h"
#include "db/writer/jet_writer.h"
#include "text/date.h"
#include "text/utf.h"

namespace scandrel::db::writer::testing {

using TableRows = std::vector<std::vector<Value>>;

// The listing the written tables should give.
inline std::string expectedListing(const std::vector<TableDef>& tables, const std::vector<TableRows>& rows);

// nullopt when the reader is not installed (the caller skips); throws when it fails.
inline std::optional<std::string> listWithMdbReader(const std::filesystem::path& file);
inline std::optional<std::string> listWithMdbtools(const std::filesystem::path& file);

// Our own engine (db/database.h).
inline std::string listWithEngine(const std::filesystem::path& file);

// What mdbtools cannot tell apart or show: empty texts read as null, dates
// before 1900 are not shown. Applied to both listings before comparing with mdbtools'.
inline std::string blurForMdbtools(const std::string& listing);

// A file name in the test's temporary folder, removed at destruction.
class TempFile {
public:
    explicit TempFile(const std::string& name);
    ~TempFile();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};



namespace detail {

inline std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// Output of a shell command; throws when it fails.
inline std::string run(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    if (status != 0) throw std::runtime_error("failed: " + command);
    return out;
}

inline bool available(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string escapeText(const std::u16string& text) {
    std::string out;
    for (char c : toUtf8(text)) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

inline std::string fixed4(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", v);
    std::string s = buffer;
    return s == "-0.0000" ? "0.0000" : s;
}

inline std::string dateText(double serial) {
    // Seconds rounded to the nearest, as the readers do.
    const double whole = std::floor(serial);
    long seconds = std::lround((serial - whole) * 86400.0);
    double day = whole;
    if (seconds >= 86400) {
        seconds -= 86400;
        day += 1;
    }
    const text::DateTime d = text::dateTimeFromSerial(day);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "DT:%04d-%02d-%02d %02ld:%02ld:%02ld", d.year, d.month, d.day,
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buffer;
}

inline const char* typeName(ColumnType type) {
    switch (type) {
        case ColumnType::Text: return "text";
        case ColumnType::Memo: return "memo";
        case ColumnType::Long: return "long";
        case ColumnType::Integer: return "integer";
        case ColumnType::Byte: return "byte";
        case ColumnType::Boolean: return "boolean";
        case ColumnType::Double: return "double";
        case ColumnType::DateTime: return "datetime";
        default: return "?";
    }
}

inline std::string valueText(ColumnType type, const Value& v) {
    if (v.isNull()) return "NULL";
    switch (type) {
        case ColumnType::Text:
        case ColumnType::Memo: return "T:" + escapeText(v.asText());
        case ColumnType::Boolean: return v.asBoolean() ? "B:1" : "B:0";
        case ColumnType::Double: return "D:" + fixed4(v.toDouble());
        case ColumnType::DateTime: return dateText(v.asDouble());
        default: return "I:" + std::to_string(v.asInteger());
    }
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// One row of `mdb-export -H -e`: comma-separated, texts in doubled-quote quotes.
inline std::vector<std::pair<std::string, bool>> csvFields(const std::string& line) {
    std::vector<std::pair<std::string, bool>> fields;
    size_t i = 0;
    while (true) {
        std::string field;
        bool quoted = false;
        if (i < line.size() && line[i] == '"') {
            quoted = true;
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            while (i < line.size() && line[i] != ',') field += line[i++];
        }
        fields.emplace_back(field, quoted);
        if (i >= line.size()) break;
        ++i;  // the comma
    }
    return fields;
}

inline std::string mdbtoolsType(const std::string& declared) {
    static const std::pair<const char*, const char*> names[] = {
        {"Text", "text"},       {"Memo", "memo"},       {"Long Integer", "long"}, {"Integer", "integer"},
        {"Byte", "byte"},       {"Boolean", "boolean"}, {"Double", "double"},     {"DateTime", "datetime"},
    };
    for (const auto& [prefix, name] : names) {
        if (declared.rfind(prefix, 0) == 0) return name;
    }
    return "?" + declared;
}

inline std::string mdbtoolsValue(const std::string& type, const std::string& field, bool quoted) {
    if (field.empty() && !quoted) return "NULL";
    if (type == "text" || type == "memo") return "T:" + field;
    if (type == "boolean") return "B:" + field;
    if (type == "double") return "D:" + fixed4(std::stod(field));
    if (type == "datetime") return "DT:" + field;
    return "I:" + field;
}

}  // namespace detail

using namespace detail;

inline std::string expectedListing(const std::vector<TableDef>& tables, const std::vector<TableRows>& rows) {
    std::string out;
    for (size_t t = 0; t < tables.size(); ++t) {
        out += "TABLE " + toUtf8(tables[t].name) + "\n";
        for (const ColumnDef& c : tables[t].columns) {
            out += "COLUMN " + toUtf8(c.name) + " " + typeName(c.type) + "\n";
        }
        for (const auto& row : rows[t]) {
            out += "ROW ";
            for (size_t i = 0; i < row.size(); ++i) {
                if (i) out += '\t';
                out += valueText(tables[t].columns[i].type, row[i]);
            }
            out += "\n";
        }
    }
    return out;
}

inline std::optional<std::string> listWithMdbReader(const std::filesystem::path& file) {
    const std::filesystem::path tools = std::filesystem::path(SCANDREL_SOURCE_DIR) / "tools";
    if (!available("node --version") || !std::filesystem::exists(tools / "node_modules" / "mdb-reader")) {
        return std::nullopt;
    }
    return run("node " + quote((tools / "read-mdb.mjs").string()) + " " + quote(file.string()));
}

inline std::optional<std::string> listWithMdbtools(const std::filesystem::path& file) {
    if (!available("mdb-export --version") || !available("mdb-schema --version")) return std::nullopt;
    const std::string f = quote(file.string());
    std::string out;
    for (const std::string& table : lines(run("mdb-tables -1 " + f))) {
        if (table.empty()) continue;
        out += "TABLE " + table + "\n";
        std::vector<std::string> types;
        for (const std::string& line : lines(run("mdb-schema -T " + quote(table) + " " + f))) {
            const size_t open = line.find("\t[");
            const size_t close = line.find(']', open == std::string::npos ? 0 : open);
            if (open != 0 || close == std::string::npos) continue;
            const size_t typeStart = line.find_first_not_of('\t', close + 1);
            const std::string type = mdbtoolsType(line.substr(typeStart));
            out += "COLUMN " + line.substr(2, close - 2) + " " + type + "\n";
            types.push_back(type);
        }
        const std::string rows =
            run("mdb-export -H -e -T '%Y-%m-%d %H:%M:%S' " + f + " " + quote(table));
        for (const std::string& line : lines(rows)) {
            const auto fields = csvFields(line);
            out += "ROW ";
            for (size_t i = 0; i < fields.size(); ++i) {
                if (i) out += '\t';
                out += mdbtoolsValue(i < types.size() ? types[i] : "?", fields[i].first, fields[i].second);
            }
            out += "\n";
        }
    }
    return out;
}

inline std::string listWithEngine(const std::filesystem::path& file) {
    static const std::pair<ColumnType, const char*> kinds[] = {
        {ColumnType::Text, "text"},       {ColumnType::Memo, "memo"},     {ColumnType::Long, "long"},
        {ColumnType::Integer, "integer"}, {ColumnType::Byte, "byte"},     {ColumnType::Boolean, "boolean"},
        {ColumnType::Double, "double"},   {ColumnType::DateTime, "datetime"}};
    const Database db = Database::open(file);
    std::string out;
    for (const std::u16string& table : db.tableNames()) {
        out += "TABLE " + toUtf8(table) + "\n";
        const std::vector<ColumnInfo> columns = db.columns(table);
        for (const ColumnInfo& c : columns) {
            std::string type = "?";
            for (const auto& [kind, name] : kinds) {
                if (kind == c.type) type = name;
            }
            out += "COLUMN " + toUtf8(c.name) + " " + type + "\n";
        }
        Recordset rows = db.openRecordset(u"SELECT * FROM [" + table + u"]");
        for (; !rows.eof(); rows.moveNext()) {
            out += "ROW ";
            for (size_t i = 0; i < columns.size(); ++i) {
                if (i) out += '\t';
                out += valueText(columns[i].type, rows.value(static_cast<int>(i)));
            }
            out += "\n";
        }
    }
    return out;
}

inline std::string blurForMdbtools(const std::string& listing) {
    std::string out;
    for (const std::string& line : lines(listing)) {
        if (line.rfind("ROW ", 0) != 0) {
            out += line + "\n";
            continue;
        }
        std::string row = "ROW ";
        std::istringstream fields(line.substr(4));
        bool first = true;
        for (std::string v; std::getline(fields, v, '\t');) {
            if (v == "T:") v = "NULL";
            if (v.rfind("DT:", 0) == 0 && (v.compare(3, 4, "1900") < 0 || v.find("-00 ") != std::string::npos)) {
                v = "DT:<1900";
            }
            row += (first ? "" : "\t") + v;
            first = false;
        }
        out += row + "\n";
    }
    return out;
}

inline TempFile::TempFile(const std::string& name)
    : path_(std::filesystem::temp_directory_path() /
            ("scandrel-writer-" + std::to_string(getpid()) + "-" + name)) {}

inline TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

}  // namespace scandrel::db::writer::testing
