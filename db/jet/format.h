#pragma once
// What differs between the file generations: page size and the places of things.
#include <cstdint>
#include <string>

#include "db/jet/bytes.h"

namespace scandrel::db::jet {

enum class Generation : uint8_t { Jet3, Jet4, Ace };

struct Format {
    Generation generation = Generation::Jet4;
    uint32_t pageSize = 4096;
    // ACE files saved with a password have every page but the header encrypted.
    bool encrypted = false;

    bool jet3() const { return generation == Generation::Jet3; }

    // Data pages.
    uint32_t dataRowCount() const { return jet3() ? 8 : 12; }
    uint32_t dataRowTable() const { return jet3() ? 10 : 14; }
    // Table definitions.
    uint32_t tdefRowCount() const { return jet3() ? 12 : 16; }
    uint32_t tdefMaxColumns() const { return jet3() ? 21 : 41; }
    uint32_t tdefVarColumns() const { return jet3() ? 23 : 43; }
    uint32_t tdefColumnCount() const { return jet3() ? 25 : 45; }
    uint32_t tdefIndexCount() const { return jet3() ? 27 : 47; }
    uint32_t tdefRealIndexCount() const { return jet3() ? 31 : 51; }
    uint32_t tdefUsedPages() const { return jet3() ? 35 : 55; }
    uint32_t tdefIndexEntries() const { return jet3() ? 43 : 63; }
    uint32_t realIndexSize() const { return jet3() ? 8 : 12; }
    uint32_t columnSize() const { return jet3() ? 18 : 25; }
};

// Reads the header page: the format, and for Jet 3 checks that texts are in code
// page 1252; tells an ACE file encrypted with a password. Throws CorruptFile for
// anything else. A Jet 3 or Jet 4 database password is only kept in the header:
// such files read as any other.
Format readFormat(Bytes headerPage);
// Size of the header page to read before the format is known.
inline constexpr uint32_t kSmallestPage = 2048;

}  // namespace scandrel::db::jet
