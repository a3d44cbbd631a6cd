#pragma once
// Statements sent to database servers by this process: each one is a request and
// its answer (benchmarks and tests count them).
#include <cstdint>

namespace scandrel::db::odbc {

uint64_t roundTrips();
void countRoundTrip();

}  // namespace scandrel::db::odbc
