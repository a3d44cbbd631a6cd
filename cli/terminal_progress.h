#pragma once
// A progress line on a terminal: a bar and a status text redrawn in place on one
// line of standard error, at most ten times a second.
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace scandrel::cli {

class TerminalProgress {
public:
    // Active only when the stream is a terminal.
    explicit TerminalProgress(std::FILE* stream = stderr);
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    bool active() const { return active_; }
    // Redraws the line unless the last drawing is too recent (or `force`).
    void update(double percent, std::u16string_view status, bool force = false);
    // Erases the line, so that other output can be written; the next update redraws it.
    void clear();

private:
    std::FILE* stream_;
    bool active_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// "[#####.....] status", cut to `columns` characters.
std::string progressLine(double percent, std::u16string_view status, size_t columns);

}  // namespace scandrel::cli
