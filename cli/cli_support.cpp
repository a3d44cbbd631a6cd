#include "cli/cli_support.h"

#include <string>

#include "cli/terminal_text.h"
#include "text/utf.h"

namespace scandrel::cli {

bool takeLinksOption(std::vector<std::string>& args, db::LinkPolicy& links) {
    constexpr std::string_view kOption = "--links=";
    bool ok = true;
    std::erase_if(args, [&](const std::string& arg) {
        if (!arg.starts_with(kOption)) return false;
        const std::string_view value = std::string_view(arg).substr(kOption.size());
        if (value == "follow")
            links = db::LinkPolicy::Follow;
        else if (value == "ignore")
            links = db::LinkPolicy::Ignore;
        else
            ok = false;
        return true;
    });
    return ok;
}

int reportError(const Error& error) {
    std::string line = std::to_string(error.number());
    line += ": ";
    // Descriptions quote names from the file.
    line += terminalSafe(toUtf8(error.description()), true);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return kExitError;
}

int usageError(std::string_view usage) {
    std::string line = "uso: ";
    line += usage;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return kExitUsage;
}

int reportFailure(std::string_view message) {
    std::string line = "scandrel: ";
    line += terminalSafe(message, true);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return kExitError;
}

Error writeFailed() {
    return Error(57, u"Erro de E/S no dispositivo");
}

OutputBuffer::OutputBuffer(std::FILE* stream) : stream_(stream) {
    buffer_.reserve(kBlock + kBlock / 4);
}

OutputBuffer::~OutputBuffer() {
    // finish() reports failures; here we only make sure nothing is lost.
    flush();
    std::fflush(stream_);
}

void OutputBuffer::putUtf16(std::u16string_view text) {
    buffer_ += toUtf8(text);
    commit();
}

void OutputBuffer::flush() {
    if (buffer_.empty()) return;
    if (!failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
}

void OutputBuffer::finish() {
    flush();
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) failed_ = true;
    if (failed_) throw writeFailed();
}

}  // namespace scandrel::cli
