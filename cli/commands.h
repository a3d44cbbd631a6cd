#pragma once
// The subcommands of `scandrel`. Each takes the arguments after its name and
// returns the process exit status (0 success, 1 database error, 2 usage error).
#include <string>
#include <vector>

namespace scandrel::cli {

using Args = std::vector<std::string>;

int runTables(const Args& args);    // scandrel tables DB
int runSchema(const Args& args);    // scandrel schema DB [TABLE]
int runExport(const Args& args);    // scandrel export DB TABLE
int runMakeDemo(const Args& args);  // scandrel make-demo OUT.mdb [--patients N] [--seed S]
int runSearch(const Args& args);    // scandrel search DB [--ids] [--why] WORDS...
int runText(const Args& args);      // scandrel text DB COUNTER [--sources]
int runRtf(const Args& args);       // scandrel rtf FILE|-

}  // namespace scandrel::cli
