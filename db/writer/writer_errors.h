#pragma once
// The writer's refusals, with the numbers the database engine gives the same faults.
#include <string>
#include <string_view>

#include "text/error.h"

namespace scandrel::db::writer {

Error invalidArgument(std::u16string_view what);        // 3001
Error invalidDefinition(std::u16string_view what);      // 3125: bad or repeated name, bad type or size
Error tooManyColumns(std::u16string_view table);        // 3190
Error textTooLong(std::u16string_view column);          // 3163
Error rowTooLarge(std::u16string_view table);           // 3047
Error typeMismatch(std::u16string_view column);         // 13
Error nullNotAllowed(std::u16string_view column);       // 3162
Error unstorableText(std::u16string_view column);       // 3163
Error writeFailed(std::u16string_view path);            // 3026
Error fileTooLarge();                                   // 3183

}  // namespace scandrel::db::writer
