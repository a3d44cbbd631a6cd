#include "text/error.h"

#include "text/utf.h"

namespace scandrel {

Error::Error(int32_t number, std::u16string description)
    : std::runtime_error(std::to_string(number) + ": " + toUtf8(description)),
      number_(number),
      description_(std::move(description)) {}

Error invalidUseOfNull() { return Error(errors::kInvalidUseOfNull, u"Uso inválido de Null"); }

Error overflow() { return Error(errors::kOverflow, u"Estouro"); }

}  // namespace scandrel
