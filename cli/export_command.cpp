// scandrel export DB TABLE [--links=follow|ignore]: the rows of one table as CSV on
// standard output. The values are data and go out as they are, but for a terminal,
// which gets their control characters escaped.
#include <filesystem>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/csv_format.h"
#include "cli/terminal_text.h"
#include "db/database.h"
#include "text/utf.h"

namespace scandrel::cli {

int runExport(const Args& given) {
    Args args = given;
    db::LinkPolicy links = db::LinkPolicy::Follow;
    if (!takeLinksOption(args, links) || args.size() != 2)
        return usageError("scandrel export DB TABELA [--links=follow|ignore]");
    return guarded([&] {
        const db::Database database = db::Database::open(argumentPath(args[0]), links);
        const bool terminal = isTerminal(stdout);
        const std::u16string table = fromUtf8(args[1]);
        // Looked up first, so that an unknown name is always 3078 and a name is
        // never read as SQL.
        (void)database.columns(table);
        db::Recordset rows = database.openRecordset(u"SELECT * FROM [" + table + u"]");
        const std::vector<db::ColumnInfo>& columns = rows.columns();
        const int count = static_cast<int>(columns.size());

        OutputBuffer out;
        std::string& line = out.raw();
        for (int i = 0; i < count; ++i) {
            if (i != 0) line.push_back(',');
            appendCsvName(line, columns[static_cast<size_t>(i)].name);
        }
        line += kCsvLineEnd;
        if (terminal) line = terminalSafe(line, true);
        out.commit();

        for (; !rows.eof(); rows.moveNext()) {
            const size_t start = line.size();
            for (int i = 0; i < count; ++i) {
                if (i != 0) line.push_back(',');
                appendCsvField(line, rows.value(i));
            }
            line += kCsvLineEnd;
            if (terminal) line.replace(start, line.npos, terminalSafe(std::string_view(line).substr(start), true));
            out.commit();
        }
        out.finish();
        return kExitOk;
    });
}

}  // namespace scandrel::cli
