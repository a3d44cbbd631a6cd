#pragma once
// A field's bytes as a general value.
#include "db/base/stored_texts.h"
#include "db/jet/format.h"
#include "db/jet/page_cache.h"
#include "db/jet/row.h"
#include "db/jet/table_def.h"
#include "text/value.h"

namespace scandrel::db::jet {

Value fieldValue(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice);

// Appends the text of a text or memo field holding a value to `out`, as fieldValue
// would give it; false, with nothing appended, for a null or a field of another type.
bool appendFieldText(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice,
                     std::u16string& out);
// The same text as the file stores it, to be made UTF-16 later (StoredTexts).
bool appendFieldStored(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice,
                       StoredTexts& out);

}  // namespace scandrel::db::jet
