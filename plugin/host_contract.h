#pragma once
// What the plug-in asks of the host's automation object. Every member is called late
// bound, by name: the name is looked up with GetIDsOfNames, then invoked. Failures are
// thrown as scandrel::Error with the number and description the host's user would see.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "plugin/com_values.h"
#include "text/error.h"

namespace scandrel::plugin {

// The access right that opens the search.
inline constexpr char16_t kSearchRight[] = u"Acessar pesquisas";

enum class CallKind : WORD {
    method = DISPATCH_METHOD,
    propertyGet = DISPATCH_PROPERTYGET,
};

// Calls `name` on `object` with `arguments` in their natural order (first argument
// first) and returns the result. A missing member is error 438; an exception raised by
// the object keeps its own number and description; any other failing result carries
// its number and the platform's message. A null object is error 91.
Variant callByName(IDispatch* object, std::u16string_view name, CallKind kind,
                   std::initializer_list<Variant> arguments = {});

// GetUserAccess("Acessar pesquisas"), converted to text and compared with "1". An
// answer that holds no value (empty, null, empty text) or can't be read as text is a no.
bool hostGrantsSearch(IDispatch* host);

// ClDbName, as text. A null name is error 94.
std::u16string hostDatabaseName(IDispatch* host);

// LoadPacienteInterface(counter), the counter passed by value as a 32-bit integer.
void hostOpenPatient(IDispatch* host, int32_t counter);

}  // namespace scandrel::plugin
