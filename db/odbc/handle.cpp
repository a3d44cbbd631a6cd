#include "db/odbc/handle.h"

#include "db/base/errors.h"

namespace scandrel::db::odbc {

namespace {

// The driver's messages about the last call on `handle`, "[state] text" each.
std::u16string diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle) {
    std::u16string all;
    for (SQLSMALLINT record = 1; record <= 8; ++record) {
        char16_t state[6] = {};
        char16_t message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN got = SQLGetDiagRecW(type, handle, record, wide(state), &native, wide(message),
                                             static_cast<SQLSMALLINT>(std::size(message)), &length);
        if (!succeeded(got)) break;
        if (!all.empty()) all += u' ';
        all += u'[';
        all += std::u16string_view(state, 5);
        all += u"] ";
        all += std::u16string_view(message, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)),
                                                              std::size(message) - 1));
    }
    return all;
}

}  // namespace

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    if (!succeeded(SQLAllocHandle(type, parent, &handle_))) {
        handle_ = SQL_NULL_HANDLE;
        // The driver's messages about a handle it could not make (a statement on a
        // connection the server dropped) are on the handle it was asked of.
        const SQLSMALLINT parentType = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
        std::u16string why = parent == SQL_NULL_HANDLE || type == SQL_HANDLE_ENV ? std::u16string()
                                                                                  : diagnosticsOf(parentType, parent);
        throw callFailed(why.empty() ? u"SQLAllocHandle" : why);
    }
}

Handle::~Handle() {
    if (handle_ == SQL_NULL_HANDLE) return;
    if (type_ == SQL_HANDLE_DBC) SQLDisconnect(handle_);
    SQLFreeHandle(type_, handle_);
}

std::u16string Handle::diagnostics() const { return diagnosticsOf(type_, handle_); }

void Handle::check(SQLRETURN result) const {
    if (!succeeded(result)) throw callFailed(diagnostics());
}

}  // namespace scandrel::db::odbc
