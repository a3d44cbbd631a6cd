#include "db/jet/device_names.h"

#include <array>

namespace scandrel::db::jet {
namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool sameLetters(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

// The component of `path` that starts at `at`; `at` moves past it and its separator.
std::u16string_view component(std::u16string_view path, size_t& at) {
    const size_t start = at;
    while (at < path.size() && !isSeparator(path[at])) ++at;
    const std::u16string_view found = path.substr(start, at - start);
    if (at < path.size()) ++at;
    return found;
}

// A component that names a device: its name before the first dot or colon, less
// trailing spaces, is a reserved name; so is the whole less trailing dots and spaces.
bool reservedName(std::u16string_view name) {
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
    const size_t stop = name.find_first_of(u".:");
    if (stop != std::u16string_view::npos) name = name.substr(0, stop);
    while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
    static constexpr std::array<std::u16string_view, 6> kNames = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
    for (const std::u16string_view reserved : kNames)
        if (sameLetters(name, reserved)) return true;
    if (name.size() != 4) return false;
    if (!sameLetters(name.substr(0, 3), u"COM") && !sameLetters(name.substr(0, 3), u"LPT")) return false;
    // 1 to 9, and the superscript digits that Windows takes for them too.
    const char16_t digit = name[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

}  // namespace

bool namesWindowsDevice(std::u16string_view path) {
    if (path.size() >= 4 && path[0] == u'\\' && path[1] == u'?' && path[2] == u'?' && path[3] == u'\\') return true;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        size_t at = 2;
        const std::u16string_view server = component(path, at);
        if (server == u"." || server == u"?" || server == u"*") return true;
        const std::u16string_view share = component(path, at);
        if (sameLetters(share, u"pipe") || sameLetters(share, u"mailslot")) return true;
    }
    // The file's own name: a folder can't bear a reserved name on Windows, and a
    // folder of another system that does ("/srv/aux/") names no device.
    const size_t last = path.find_last_of(u"\\/");
    return reservedName(last == std::u16string_view::npos ? path : path.substr(last + 1));
}

}  // namespace scandrel::db::jet
