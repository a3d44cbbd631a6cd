#include "cli/terminal_progress.h"

#include <algorithm>

#include "cli/console.h"
#include "text/utf.h"

namespace scandrel::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr size_t kBarWidth = 20;

}  // namespace

std::string progressLine(double percent, std::u16string_view status, size_t columns) {
    const double clamped = std::clamp(percent, 0.0, 100.0);
    const auto filled = static_cast<size_t>(clamped / 100.0 * static_cast<double>(kBarWidth));
    std::u16string line = u"[";
    line.append(filled, u'#');
    line.append(kBarWidth - filled, u'.');
    line += u"] ";
    line += status;
    // Leave the last column free, so that the terminal never wraps the line.
    if (columns > 0 && line.size() > columns - 1) line.resize(columns - 1);
    return toUtf8(line);
}

TerminalProgress::TerminalProgress(std::FILE* stream)
    : stream_(stream), active_(isTerminal(stream)) {}

void TerminalProgress::update(double percent, std::u16string_view status, bool force) {
    if (!active_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    std::string out = "\r\x1b[K";
    out += progressLine(percent, status, terminalColumns(stream_));
    std::fwrite(out.data(), 1, out.size(), stream_);
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::clear() {
    if (!active_ || !drawn_) return;
    std::fputs("\r\x1b[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace scandrel::cli
