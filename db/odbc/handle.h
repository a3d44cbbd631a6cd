#pragma once
// An ODBC handle (environment, connection or statement), freed when it goes.
#include <string>

#include "db/odbc/odbc_api.h"

namespace scandrel::db::odbc {

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent);  // 3146 when the driver manager can't make one
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle();

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }
    // The driver's messages about the last call on this handle, "[state] text" each.
    std::u16string diagnostics() const;
    // 3146 with the driver's messages unless `result` is a success.
    void check(SQLRETURN result) const;

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

inline bool succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

}  // namespace scandrel::db::odbc
