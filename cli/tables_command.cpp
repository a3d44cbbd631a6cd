// scandrel tables DB: the user tables and linked tables, one per line, in catalog order.
#include <filesystem>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "db/database.h"

namespace scandrel::cli {

int runTables(const Args& args) {
    if (args.size() != 1) return usageError("scandrel tables DB");
    return guarded([&] {
        const db::Database database = db::Database::open(argumentPath(args[0]));
        OutputBuffer out;
        for (const std::u16string& name : database.tableNames()) {
            out.putUtf16(name);
            out.put('\n');
        }
        out.finish();
        return kExitOk;
    });
}

}  // namespace scandrel::cli
