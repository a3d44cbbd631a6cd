#pragma once
// The ODBC drivers installed and the data sources configured on this computer, as
// the platform's driver manager lists them (SQLDrivers, SQLDataSources): what a
// linked table's connection string may name. Asked afresh at each question, on the
// calling thread.
#include "db/odbc/connection_string.h"

namespace scandrel::db::odbc {

Known installed();
// The driver of a data source configured on this computer, as the driver manager
// names it; empty for a data source it does not list.
std::u16string dataSourceDriver(std::u16string_view dataSource);

}  // namespace scandrel::db::odbc
