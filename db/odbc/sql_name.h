#pragma once
// Table and column names from a link, written into the SQL sent to a server. The
// names come from a file any user can change, so a name is either quoted with the
// driver's quote character (a quote inside it doubled) or, when the driver gives
// none, accepted only when it is plain: letters, digits and '_', not starting with
// a digit, dotted parts ("public.x") each plain. Any thread.
#include <string>
#include <string_view>

#include "text/error.h"

namespace scandrel::db::odbc {

inline constexpr int32_t kInvalidName = 3125;

// `name` as the server is sent it; `quote` the driver's quote character, empty when
// it has none. A dotted name is quoted part by part. 3125 for a name that holds a
// NUL, an empty part, or, without a quote character, anything but a plain name.
std::u16string sqlName(std::u16string_view name, std::u16string_view quote);

}  // namespace scandrel::db::odbc
