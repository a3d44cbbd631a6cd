#pragma once
// The engine's errors with their numbers and Portuguese descriptions.
#include <exception>
#include <string>
#include <string_view>

#include "text/error.h"

namespace scandrel::db::jet {

// Thrown deep inside the reader when the file's bytes don't make sense; turned
// into error 3343 naming the file where the file name is known.
struct CorruptFile : std::exception {
    const char* what() const noexcept override { return "corrupt database file"; }
};
[[noreturn]] void corrupt();

inline constexpr int32_t kInvalidSqlStatement = 3129;
inline constexpr int32_t kFromClauseSyntax = 3131;
inline constexpr int32_t kQueryExpressionSyntax = 3075;
inline constexpr int32_t kOrderByClauseSyntax = 3138;
inline constexpr int32_t kSelectStatementSyntax = 3141;
inline constexpr int32_t kTypeMismatchInCriteria = 3464;
inline constexpr int32_t kInvalidPassword = 3031;
inline constexpr int32_t kDiskOrNetworkError = 3043;

Error fileNotFound(std::u16string_view file);
Error cannotOpenFile(std::u16string_view file);
Error unrecognizedFormat(std::u16string_view file);
// 3343 for a path that names a folder, a device, a pipe or a socket: refused by its
// type before anything is read from it or waited for.
Error notAFile(std::u16string_view file, bool folder);
// 3043: a read that failed or never ended.
Error diskOrNetworkError();
// A database encrypted with a password, which we can't read.
Error invalidPassword();
Error tableNotFound(std::u16string_view table);
Error fieldNotFound(std::u16string_view field);
Error noCurrentRecord();
Error invalidSqlStatement();
Error fromClauseSyntax();
Error queryExpressionSyntax(std::u16string_view expression);
Error orderByClauseSyntax();
Error selectStatementSyntax();
Error typeMismatchInCriteria();

}  // namespace scandrel::db::jet
