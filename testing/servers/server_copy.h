#pragma once
// The tables of a Jet file copied to a database server, and front-ends that link to
// them: the same data in both places, for comparing searches.
#include <filesystem>
#include <string>

#include "db/database.h"
#include "testing/servers/test_server.h"

namespace scandrel::db::odbc::testing {

// Writes SQL statements that create every table of `database` on a server of `kind`,
// with the same names, columns and rows.
void writeServerCopy(const Database& database, const std::filesystem::path& sqlFile, ServerKind kind);

// A front-end file holding only links: one per table of `database`, of the same
// name, to the server's table (`connect` given) or to `database`'s file (`backEnd`).
void writeLinkingFrontEnd(const Database& database, const std::filesystem::path& frontEnd,
                          const std::u16string& connect, const std::u16string& backEnd);

}  // namespace scandrel::db::odbc::testing
