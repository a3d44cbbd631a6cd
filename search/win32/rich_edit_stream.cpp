#include "search/win32/rich_edit_stream.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace scandrel::search::win32 {
namespace {

struct StreamSource {
    std::string_view bytes;
    size_t position = 0;
};

DWORD CALLBACK readStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t count = std::min(source->bytes.size() - source->position, static_cast<size_t>(wanted));
    std::memcpy(buffer, source->bytes.data() + source->position, count);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

void streamInRichText(HWND richEdit, std::string_view bytes, WPARAM extraFlags) {
    StreamSource source{bytes};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = readStream;
    SendMessageW(richEdit, EM_STREAMIN, SF_RTF | extraFlags, reinterpret_cast<LPARAM>(&stream));
}

}  // namespace scandrel::search::win32
