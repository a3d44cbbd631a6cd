// libFuzzer target for the Jet reader: each input is a database file. It is
// opened, its tables listed and every value of every table read (up to a cap,
// so that one input stays quick). Errors the reader reports are expected;
// crashes, sanitizer reports, hangs and leaks are findings.
//
// The reader opens files by path, so the input goes into an anonymous memory
// file and is opened by its /proc path, as a file on disk would be.
#include <cstddef>
#include <cstdint>
#include <string>

#include "db/database.h"
#include "fuzz/memory_file.h"
#include "text/error.h"

namespace {

using scandrel::Error;
using scandrel::Value;
using scandrel::db::Database;
using scandrel::db::LinkPolicy;
using scandrel::db::Recordset;
using scandrel::fuzz::MemoryFile;

constexpr size_t kMaxTables = 64;
constexpr int kMaxRows = 2000;
constexpr size_t kMaxValues = 50000;

// Touches every part of a value so that the sanitizers see any bad read.
size_t consume(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Text: return v.asText().size();
    case Value::Kind::Binary: return v.asBinary().size();
    case Value::Kind::Guid: return v.asGuid()[15];
    default: return static_cast<size_t>(v.kind());
    }
}

size_t readAll(Recordset& rows, size_t& valuesLeft) {
    size_t sum = 0;
    const int columns = static_cast<int>(rows.columns().size());
    (void)rows.recordCount();
    for (int row = 0; row < kMaxRows && !rows.eof() && valuesLeft > 0; ++row) {
        for (int i = 0; i < columns && valuesLeft > 0; ++i, --valuesLeft) sum += consume(rows.value(i));
        rows.moveNext();
    }
    return sum;
}

void exerciseTable(const Database& db, const std::u16string& table, size_t& valuesLeft) {
    const std::u16string from = u"SELECT * FROM [" + table + u"]";
    try {
        Recordset rows = db.openRecordset(from);
        readAll(rows, valuesLeft);
        // The lookup and ordering paths, on the first column.
        const auto& columns = rows.columns();
        if (!columns.empty()) {
            const std::u16string column = u"[" + columns[0].name + u"]";
            Recordset found = db.openRecordset(from + u" WHERE " + column + u" = 1");
            readAll(found, valuesLeft);
            Recordset ordered = db.openRecordset(from + u" ORDER BY " + column + u" DESC");
            if (!ordered.eof()) {
                ordered.moveLast();
                ordered.moveFirst();
            }
            readAll(ordered, valuesLeft);
        }
    } catch (const Error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file("jet_fuzz");
    file.assign(data, size);
    try {
        const Database db = Database::open(file.path(), LinkPolicy::Ignore);
        size_t valuesLeft = kMaxValues;
        const auto tables = db.tableNames();
        for (size_t t = 0; t < tables.size() && t < kMaxTables; ++t) {
            try {
                (void)db.columns(tables[t]);
            } catch (const Error&) {
            }
            exerciseTable(db, tables[t], valuesLeft);
        }
    } catch (const Error&) {
    }
    return 0;
}
