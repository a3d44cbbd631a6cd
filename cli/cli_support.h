#pragma once
// What every subcommand of `scandrel` shares: reporting errors, usage lines and
// a buffered UTF-8 writer for standard output.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include <vector>

#include "db/database.h"
#include "text/error.h"

namespace scandrel::cli {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// A file name from the command line. Arguments are UTF-8 on every platform (on
// Linux, whatever bytes the shell passed, kept as they are).
inline std::filesystem::path argumentPath(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

// Takes "--links=follow" or "--links=ignore" out of `args` (the last one given
// counts) into `links`; false for any other value.
bool takeLinksOption(std::vector<std::string>& args, db::LinkPolicy& links);

// Prints "number: description" (UTF-8) on standard error; returns kExitError.
int reportError(const Error& error);

// Prints "uso: <usage>" on standard error, e.g. usageError("scandrel tables DB");
// returns kExitUsage.
int usageError(std::string_view usage);

// Prints a message that is not an Error ("scandrel: ...") and returns kExitError.
int reportFailure(std::string_view message);

// Runs a subcommand body, turning what it throws into the program's error
// report: scandrel::Error as itself, running out of memory as error 7, any
// other exception with its message. Returns the body's status or kExitError.
template <class Body>
int guarded(Body&& body) {
    try {
        return body();
    } catch (const Error& e) {
        return reportError(e);
    } catch (const std::bad_alloc&) {
        return reportError(Error(7, u"Mem\u00f3ria insuficiente"));
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
}

// Collects output in a buffer and writes it to a stream in large blocks.
// Failures (a full disk, a closed pipe) are remembered and reported by finish().
class OutputBuffer {
public:
    explicit OutputBuffer(std::FILE* stream = stdout);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer();

    void put(char c) {
        buffer_.push_back(c);
        if (buffer_.size() >= kBlock) flush();
    }
    void put(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kBlock) flush();
    }
    void putUtf16(std::u16string_view text);
    // Gives direct access for formatting routines; call commit() afterwards.
    std::string& raw() { return buffer_; }
    void commit() {
        if (buffer_.size() >= kBlock) flush();
    }

    // Writes what is left; throws Error (number 57, device I/O error) if any
    // write failed.
    void finish();

private:
    static constexpr size_t kBlock = 1 << 16;
    void flush();

    std::FILE* stream_;
    std::string buffer_;
    bool failed_ = false;
};

// Error 57 as the platform words it, for failed writes.
Error writeFailed();

}  // namespace scandrel::cli

