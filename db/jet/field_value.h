#pragma once
// A field's bytes as a general value.
#include "db/jet/format.h"
#include "db/jet/page_cache.h"
#include "db/jet/row.h"
#include "db/jet/table_def.h"
#include "text/value.h"

namespace scandrel::db::jet {

Value fieldValue(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice);

}  // namespace scandrel::db::jet
