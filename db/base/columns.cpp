#include "db/base/columns.h"

namespace scandrel::db {

std::u16string columnTypeName(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean: return u"Boolean";
        case ColumnType::Byte: return u"Byte";
        case ColumnType::Integer: return u"Integer";
        case ColumnType::Long: return u"Long Integer";
        case ColumnType::Currency: return u"Currency";
        case ColumnType::Single: return u"Single";
        case ColumnType::Double: return u"Double";
        case ColumnType::DateTime: return u"DateTime";
        case ColumnType::Binary: return u"Binary";
        case ColumnType::Text: return u"Text";
        case ColumnType::Ole: return u"OLE";
        case ColumnType::Memo: return u"Memo";
        case ColumnType::Guid: return u"Replication ID";
        case ColumnType::Numeric: return u"Numeric";
        case ColumnType::Complex: return u"Complex";
        case ColumnType::BigInt: return u"Big Integer";
        case ColumnType::Unknown: break;
    }
    return u"Unknown";
}

bool comparableWithNumber(ColumnType type) {
    switch (type) {
        case ColumnType::Text:
        case ColumnType::Memo:
        case ColumnType::Binary:
        case ColumnType::Ole:
        case ColumnType::Guid: return false;
        default: return true;
    }
}

}  // namespace scandrel::db
