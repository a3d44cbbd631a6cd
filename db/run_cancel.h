#pragma once
// The cancel of a search run's statements on database servers, as the search holds
// it: the run makes one on its thread and cancels it from any thread (its "Cancelar",
// its window closing); the thread that reads the database binds it with a
// CancelOnThisThread for as long as it reads there, so that the statement under way
// on a server is stopped and no later one starts. The protocol the statements keep
// with it is db/odbc/statement_cancel.h's; a database without linked tables on a
// server never uses it.
#include "db/odbc/statement_cancel.h"

namespace scandrel::db {

using RunCancel = odbc::StatementCancel;
using CancelOnThisThread = odbc::CancelOnThisThread;

}  // namespace scandrel::db
