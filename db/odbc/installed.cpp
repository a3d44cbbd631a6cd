#include "db/odbc/installed.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "db/odbc/handle.h"

namespace scandrel::db::odbc {
namespace {

enum class List : uint8_t { Drivers, DataSources };

// The description the driver manager gives with the entry named `wanted` (for a
// data source, its driver); nothing when it lists no such entry.
std::optional<std::u16string> listed(List list, std::u16string_view wanted) {
    const Handle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_OV_ODBC3)), 0);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (true) {
        char16_t name[512] = {};
        char16_t about[2048] = {};
        SQLSMALLINT nameLength = 0, aboutLength = 0;
        const auto nameSize = static_cast<SQLSMALLINT>(std::size(name));
        const auto aboutSize = static_cast<SQLSMALLINT>(std::size(about));
        const SQLRETURN result =
            list == List::Drivers
                ? SQLDriversW(environment.get(), direction, wide(name), nameSize, &nameLength, wide(about), aboutSize,
                              &aboutLength)
                : SQLDataSourcesW(environment.get(), direction, wide(name), nameSize, &nameLength, wide(about),
                                  aboutSize, &aboutLength);
        if (!succeeded(result)) return std::nullopt;
        // A name too long for the buffer is cut, and then never equal.
        const size_t length = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)),
                                               std::size(name) - 1);
        if (sameOdbcName(std::u16string_view(name, length), wanted)) {
            return std::u16string(about, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(aboutLength, 0)),
                                                           std::size(about) - 1));
        }
        direction = SQL_FETCH_NEXT;
    }
}

}  // namespace

Known installed() {
    return Known{[](std::u16string_view name) { return listed(List::Drivers, name).has_value(); },
                 [](std::u16string_view name) { return listed(List::DataSources, name).has_value(); }};
}

std::u16string dataSourceDriver(std::u16string_view dataSource) {
    return listed(List::DataSources, dataSource).value_or(std::u16string());
}

}  // namespace scandrel::db::odbc
