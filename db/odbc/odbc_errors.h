#pragma once
// The errors of tables linked through ODBC, with the driver's own messages after
// the engine's Portuguese description.
#include <cstddef>
#include <string_view>

#include "text/error.h"

namespace scandrel::db::odbc {

inline constexpr int32_t kCallFailed = 3146;
inline constexpr int32_t kConnectionFailed = 3151;

// 3146: a call to the driver failed.
Error callFailed(std::u16string_view driverMessage);
// 3146 for a statement cancelled at its deadline.
Error statementTooLong();
// 3146 for an answer of more rows or bytes than a statement may bring.
Error answerTooLarge(size_t rows, size_t bytes);
// 3151: no connection to the data source.
Error connectionFailed(std::u16string_view dataSource, std::u16string_view driverMessage);
// 3151 before any connection is tried: the connection string of the link of `table`
// is not one a link may use, for the reason `why` ("usa 'FILEDSN', ...").
Error connectionRefused(std::u16string_view dataSource, std::u16string_view table, std::u16string_view why);

}  // namespace scandrel::db::odbc
