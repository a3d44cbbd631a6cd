// scandrel schema DB [TABLE]: the columns of one table, or of every user or linked table,
// with their types and sizes (a text column's in characters, as the host's users know
// it; the others' in bytes as stored):
//
//   Table1
//     A     Text             50 caracteres
//     C     Byte              1 byte
//     P     Numeric (18,2)   17 bytes
//     M     Memo
//
// A linked table's name is followed by where its rows are; the command describes
// the file alone and opens no back-end and no server, so its columns are not shown:
//   Pacientes  (vinculada a \\servidor\dados\clinica.mdb)
//     (colunas não lidas: este comando não segue vínculos)
//
// Names are printed with their control characters escaped (terminal_text.h).
// Tables are separated by an empty line. Names are padded by characters, which
// lines the columns up for the usual Latin names.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "db/database.h"
#include "text/lower_case.h"
#include "text/utf.h"

namespace scandrel::cli {

namespace {

size_t displayWidth(std::string_view utf8) {
    // Count code points: every byte that does not continue a sequence.
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void pad(std::string& out, size_t from, size_t to) {
    if (to > from) out.append(to - from, ' ');
}

std::string typeText(const db::ColumnInfo& column) {
    std::string text = toUtf8(db::columnTypeName(column.type));
    if (column.type == db::ColumnType::Numeric)
        text += " (" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
    return text;
}

std::string sizeText(const db::ColumnInfo& column) {
    if (column.type == db::ColumnType::Text && column.characters != 0) {
        std::string text = std::to_string(column.characters) + (column.characters == 1 ? " caractere" : " caracteres");
        if (column.fixedLength) text += ", fixed length";
        return text;
    }
    if (column.size == 0) return {};
    std::string text = std::to_string(column.size) + (column.size == 1 ? " byte" : " bytes");
    if (column.fixedLength && (column.type == db::ColumnType::Text ||
                               column.type == db::ColumnType::Binary))
        text += ", fixed length";
    return text;
}

void printTable(OutputBuffer& out, const std::u16string& table, bool linked, const std::u16string& linkTarget,
                const std::vector<db::ColumnInfo>& columns) {
    struct Line {
        std::string name, type, size;
    };
    std::vector<Line> lines;
    size_t nameWidth = 0, typeWidth = 0, sizeWidth = 0;
    for (const db::ColumnInfo& column : columns) {
        Line line{terminalSafe(toUtf8(column.name)), typeText(column), sizeText(column)};
        nameWidth = std::max(nameWidth, displayWidth(line.name));
        typeWidth = std::max(typeWidth, line.type.size());
        // Right-align the numbers: measure up to the unit.
        sizeWidth = std::max(sizeWidth, line.size.find(' ') == std::string::npos
                                            ? size_t{0} : line.size.find(' '));
        lines.push_back(std::move(line));
    }

    out.put(terminalSafe(toUtf8(table)));
    if (linked) {
        // A linked table: where its rows are.
        out.put("  (vinculada a " + terminalSafe(toUtf8(linkTarget)) + ")\n  (colunas não lidas: este comando não segue "
                "vínculos)");
    }
    out.put('\n');
    for (const Line& line : lines) {
        std::string& raw = out.raw();
        raw += "  ";
        raw += line.name;
        pad(raw, displayWidth(line.name), nameWidth);
        raw += "  ";
        raw += line.type;
        if (!line.size.empty()) {
            pad(raw, line.type.size(), typeWidth);
            raw += "  ";
            pad(raw, line.size.find(' '), sizeWidth);
            raw += line.size;
        }
        raw += '\n';
        out.commit();
    }
}

}  // namespace

int runSchema(const Args& args) {
    if (args.empty() || args.size() > 2) return usageError("scandrel schema DB [TABELA]");
    return guarded([&] {
        const db::Database database = db::Database::open(argumentPath(args[0]), db::LinkPolicy::Ignore);
        const auto print = [&](OutputBuffer& out, const std::u16string& table) {
            const bool linked = database.isLinked(table);
            printTable(out, table, linked, database.linkTarget(table),
                       linked ? std::vector<db::ColumnInfo>() : database.columns(table));
        };
        OutputBuffer out;
        if (args.size() == 2) {
            std::u16string table = fromUtf8(args[1]);
            // Show the name as the catalog spells it; 3078 for a name it does not have.
            const std::u16string wanted = text::toLower(table);
            bool found = false;
            for (const std::u16string& name : database.tableNames())
                if (text::toLower(name) == wanted) {
                    table = name;
                    found = true;
                }
            if (!found) (void)database.columns(table);
            print(out, table);
        } else {
            bool first = true;
            for (const std::u16string& table : database.tableNames()) {
                if (!first) out.put('\n');
                first = false;
                print(out, table);
            }
        }
        out.finish();
        return kExitOk;
    });
}

}  // namespace scandrel::cli
