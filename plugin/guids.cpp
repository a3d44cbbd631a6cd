// Defines the identities declared in the generated header: the library, the class
// and its interface.
#include <initguid.h>

#include "plugin/scandrel.h"
