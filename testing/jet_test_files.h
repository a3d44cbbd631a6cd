#pragma once
// Where the tests find the sample databases, and a temporary folder of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/error.h"
#include "text/utf.h"

namespace scandrel::db::testing {

inline std::filesystem::path sampleFile(const std::string& name) {
    return std::filesystem::path(SCANDREL_SHARED_DIR) / "data" / "jet" / name;
}

// Under CI (CI=true) the shared sample databases belong to the run: a missing one
// fails the test that needs it instead of skipping it.
inline bool samplesRequired() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
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

// Skips the test when the shared sample database at `path` is not on this machine;
// fails it under CI.
#define SCANDREL_NEED_SAMPLE_AT(path)                                                                \
    if (!std::filesystem::exists(path)) {                                                            \
        if (::scandrel::db::testing::samplesRequired())                                              \
            FAIL() << "sample database " << (path).string() << " is absent, and CI needs it";        \
        GTEST_SKIP() << "sample database " << (path).string() << " is absent (shared folder missing)"; \
    } else                                                                                           \
        static_cast<void>(0)

#define SCANDREL_NEED_SAMPLE(name)                                                                  \
    const std::filesystem::path samplePath = ::scandrel::db::testing::sampleFile(name);              \
    SCANDREL_NEED_SAMPLE_AT(samplePath)
