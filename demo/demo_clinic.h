#pragma once
// A synthetic clinic in the host's database layout: patients with Brazilian
// names (accented, some in capitals, some repeated), addresses, documents and
// coded fields in all their forms (nulls, the 1000-01-01 birth-date
// placeholder, unusual civil states and sexes, relationship codes 0 to 16),
// and on average 3 anamneses, 8 consultations, 2 billing guides and 1 text
// document each, memos mostly in rich text. Insurance plans and procedures are
// shared between patients. The same options always give the same file.
#include <cstdint>
#include <filesystem>
#include <functional>

namespace scandrel::demo {

struct DemoOptions {
    int32_t patients = 1000;
    uint64_t seed = 1;
};

// Called now and then while writing, and once at the end (done == total).
using DemoProgress = std::function<void(int32_t done, int32_t total)>;

// Throws scandrel::Error when the file cannot be written; nothing is left behind then.
void writeDemoClinic(const std::filesystem::path& path, const DemoOptions& options,
                     const DemoProgress& progress = {});

}  // namespace scandrel::demo
