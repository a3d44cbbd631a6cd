#pragma once
// Where the tests find the sample databases, and a temporary folder of their own.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/error.h"
#include "text/utf.h"

namespace scandrel::db::testing {

inline std::filesystem::path sampleFile(const std::string& name) {
    return std::filesystem::path(SCANDREL_SHARED_DIR) / "data" / "jet" / name;
}

inline std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The number of the error `work` ends with; 0 when it ends normally.
inline int32_t errorNumberOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

inline std::string describedError(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& e) {
        return std::to_string(e.number()) + ": " + toUtf8(e.description());
    }
    return "no error";
}

// "number: description" of the error `work` ends with; "no error" when it ends normally.
// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("scandrel-db-" + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace scandrel::db::testing

// Skips the test when the shared sample databases are not on this machine.
#define SCANDREL_NEED_SAMPLE(name)                                                                  \
    const std::filesystem::path samplePath = ::scandrel::db::testing::sampleFile(name);              \
    if (!std::filesystem::exists(samplePath))                                                        \
        GTEST_SKIP() << "sample database " << samplePath.string() << " is absent (shared folder missing)"
