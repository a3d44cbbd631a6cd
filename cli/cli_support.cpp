#include "cli/cli_support.h"

#include <string>

#include "text/utf.h"

namespace scandrel::cli {

int reportError(const Error& error) {
    std::string line = std::to_string(error.number());
    line += ": ";
    line += toUtf8(error.description());
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
    line += message;
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
