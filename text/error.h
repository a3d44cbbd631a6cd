#pragma once
// An error as the platform reports it: a number and a description.
// The language runtime's own errors carry its numbers (94 invalid use of null, 6 overflow);
// database errors carry the engine's (3021, 3024, 3078, ..., listed in db/base/errors.h).
#include <cstdint>
#include <stdexcept>
#include <string>

namespace scandrel {

class Error : public std::runtime_error {
public:
    Error(int32_t number, std::u16string description);

    int32_t number() const noexcept { return number_; }
    const std::u16string& description() const noexcept { return description_; }

private:
    int32_t number_;
    std::u16string description_;
};

namespace errors {
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kInvalidUseOfNull = 94;
}  // namespace errors

// "Uso inválido de Null" and the like, for the runtime's own errors.
Error invalidUseOfNull();
Error overflow();

}  // namespace scandrel
