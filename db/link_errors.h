#pragma once
// Errors of linked tables that the file's own tables never give.
#include <string_view>

#include "text/error.h"

namespace scandrel::db {

inline constexpr int32_t kObjectNotFound = 3011;

// 3011: the back-end has no table of the link's far name.
Error linkedTableNotFound(std::u16string_view table, std::u16string_view backEnd);
// 3011: following the links of a table never reaches its rows.
Error linksGoRound(std::u16string_view table);
// 3011: the table's back-end would be one file more than the `most` the links of one
// database may open.
Error tooManyBackEnds(std::u16string_view table, int most);

}  // namespace scandrel::db
