// scandrel tables DB: the user tables and linked tables, one per line, in catalog order.
// Describes the file alone: links are not followed, so nothing else is opened.
#include <filesystem>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "db/database.h"
#include "text/utf.h"

namespace scandrel::cli {

int runTables(const Args& args) {
    if (args.size() != 1) return usageError("scandrel tables DB");
    return guarded([&] {
        const db::Database database = db::Database::open(argumentPath(args[0]), db::LinkPolicy::Ignore);
        OutputBuffer out;
        for (const std::u16string& name : database.tableNames()) {
            out.put(terminalSafe(toUtf8(name)));
            out.put('\n');
        }
        out.finish();
        return kExitOk;
    });
}

}  // namespace scandrel::cli
