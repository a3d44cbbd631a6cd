#pragma once
// How the Jet reader signals a file whose bytes don't make sense: CorruptFile, thrown
// deep inside the reader and turned into error 3343 naming the file where the file
// name is known (see the engine's notes on reading a file the host writes). The
// numbered errors themselves are the database's own (db/base/errors.h).
#include <exception>

#include "db/base/errors.h"

namespace scandrel::db::jet {

struct CorruptFile : std::exception {
    const char* what() const noexcept override { return "corrupt database file"; }
};
[[noreturn]] inline void corrupt() { throw CorruptFile(); }

}  // namespace scandrel::db::jet
