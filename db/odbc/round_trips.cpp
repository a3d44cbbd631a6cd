#include "db/odbc/round_trips.h"

#include <atomic>

namespace scandrel::db::odbc {
namespace {
std::atomic<uint64_t> sent{0};
}

uint64_t roundTrips() { return sent.load(std::memory_order_relaxed); }
void countRoundTrip() { sent.fetch_add(1, std::memory_order_relaxed); }

}  // namespace scandrel::db::odbc
