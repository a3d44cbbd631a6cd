#pragma once
// Every error a database gives, Jet file or linked table alike, with the engine's
// numbers and Portuguese descriptions; the driver's own message follows the
// description for the errors of tables linked through ODBC. Built where the error is
// found, on whatever thread finds it; thrown as scandrel::Error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/error.h"

namespace scandrel::db {

inline constexpr int32_t kObjectNotFound = 3011;
inline constexpr int32_t kNoCurrentRecord = 3021;
inline constexpr int32_t kFileNotFound = 3024;
inline constexpr int32_t kInvalidPassword = 3031;
inline constexpr int32_t kDiskOrNetworkError = 3043;
inline constexpr int32_t kCannotOpenFile = 3051;
inline constexpr int32_t kOperationCancelled = 3059;
inline constexpr int32_t kQueryExpressionSyntax = 3075;
inline constexpr int32_t kTableNotFound = 3078;
inline constexpr int32_t kInvalidSqlStatement = 3129;
inline constexpr int32_t kFromClauseSyntax = 3131;
inline constexpr int32_t kOrderByClauseSyntax = 3138;
inline constexpr int32_t kSelectStatementSyntax = 3141;
inline constexpr int32_t kCallFailed = 3146;
inline constexpr int32_t kConnectionFailed = 3151;
inline constexpr int32_t kFieldNotFound = 3265;
inline constexpr int32_t kUnrecognizedFormat = 3343;
inline constexpr int32_t kTypeMismatchInCriteria = 3464;

// Files.
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

// Tables, fields and rows.
Error tableNotFound(std::u16string_view table);
Error fieldNotFound(std::u16string_view field);
Error noCurrentRecord();

// Statements.
Error invalidSqlStatement();
Error fromClauseSyntax();
Error queryExpressionSyntax(std::u16string_view expression);
Error orderByClauseSyntax();
Error selectStatementSyntax();
Error typeMismatchInCriteria();

// Linked tables.
// 3011: the back-end has no table of the link's far name.
Error linkedTableNotFound(std::u16string_view table, std::u16string_view backEnd);
// 3011: following the links of a table never reaches its rows.
Error linksGoRound(std::u16string_view table);
// 3011: the table's back-end would be one file more than the `most` the links of one
// database may open.
Error tooManyBackEnds(std::u16string_view table, int most);

// Tables linked through ODBC.
// 3146: a call to the driver failed.
Error callFailed(std::u16string_view driverMessage);
// 3146 for a statement cancelled at its deadline.
Error statementTooLong();
// 3059 for a statement the user's cancel stopped, or kept from starting.
Error operationCancelled();
// 3146 for an answer of more rows or bytes than a statement may bring.
Error answerTooLarge(size_t rows, size_t bytes);
// 3151: no connection to the data source.
Error connectionFailed(std::u16string_view dataSource, std::u16string_view driverMessage);
// 3151 before any connection is tried: the connection string of the link of `table`
// is not one a link may use, for the reason `why` ("usa 'FILEDSN', ...").
Error connectionRefused(std::u16string_view dataSource, std::u16string_view table, std::u16string_view why);

}  // namespace scandrel::db
