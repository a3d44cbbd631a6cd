#include "cli/terminal_text.h"

#include <cstdio>

namespace scandrel::cli {
namespace {

void escape(std::string& out, const char* format, unsigned code) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, code);
    out += buffer;
}

}  // namespace

std::string terminalSafe(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            if (keepLineBreaks && (byte == '\t' || byte == '\n' || byte == '\r'))
                out += static_cast<char>(byte);
            else
                escape(out, "\\x%02X", byte);
            continue;
        }
        // C1 controls, U+0080 to U+009F: C2 80 to C2 9F.
        if (byte == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                escape(out, "\\u%04X", next);
                ++i;
                continue;
            }
        }
        // U+202A to U+202E (E2 80 AA to AE) and U+2066 to U+2069 (E2 81 A6 to A9).
        if (byte == 0xE2 && i + 2 < text.size()) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            const auto third = static_cast<unsigned char>(text[i + 2]);
            if ((second == 0x80 && third >= 0xAA && third <= 0xAE) || (second == 0x81 && third >= 0xA6 && third <= 0xA9)) {
                escape(out, "\\u%04X", 0x2000u + ((second & 0x3Fu) << 6) + (third & 0x3Fu));
                i += 2;
                continue;
            }
        }
        out += static_cast<char>(byte);
    }
    return out;
}

}  // namespace scandrel::cli
