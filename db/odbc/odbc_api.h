#pragma once
// The platform's ODBC interface: odbc32 on Windows (its header needs the Windows
// types first), unixODBC elsewhere. Only the files of this folder include it, and the
// test servers' client that holds a lock (testing/servers/table_lock.cpp).
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace scandrel::db::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters are UTF-16 code units");

inline const SQLWCHAR* wide(std::u16string_view text) { return reinterpret_cast<const SQLWCHAR*>(text.data()); }
inline SQLWCHAR* wide(char16_t* text) { return reinterpret_cast<SQLWCHAR*>(text); }

}  // namespace scandrel::db::odbc
