#include "db/odbc/installed.h"

#include <iterator>

#include "db/odbc/handle.h"

namespace scandrel::db::odbc {
namespace {

enum class List : uint8_t { Drivers, DataSources };

bool listed(List list, std::u16string_view wanted) {
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
        if (!succeeded(result)) return false;
        // A name too long for the buffer is cut, and then never equal.
        const size_t length = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)),
                                               std::size(name) - 1);
        if (sameOdbcName(std::u16string_view(name, length), wanted)) return true;
        direction = SQL_FETCH_NEXT;
    }
}

}  // namespace

Known installed() {
    return Known{[](std::u16string_view name) { return listed(List::Drivers, name); },
                 [](std::u16string_view name) { return listed(List::DataSources, name); }};
}

}  // namespace scandrel::db::odbc
