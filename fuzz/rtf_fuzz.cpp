// libFuzzer target for the rich-text path of the search: each input is a memo
// value, read both as the UTF-16 code units a Jet 4 file stores (little-endian;
// an odd last byte is dropped) and as the Western single bytes of a Jet 3 file.
// Each reading goes through the search's own buffer twice: once as it is, and
// once turned into the other kind of value (a rich-text document loses its
// "{\rtf" start, anything else gets one), so that every input reaches both the
// rich-text reader and the plain-value path.
//
// Besides crashes, sanitizer reports, hangs and leaks, a finding is text out of
// proportion to the value: a document never gives more characters than it holds,
// a plain value at most two per character (a line end becomes CR LF), and a
// plain value's text holds no NUL and no CR or LF outside a CR LF pair.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/plain_text_buffer.h"
#include "search/rtf/rtf_to_text.h"
#include "text/utf.h"

namespace {

using scandrel::search::PlainTextBuffer;
namespace rtf = scandrel::search::rtf;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "rtf_fuzz: %s\n", what);
    std::abort();
}

std::u16string asUtf16(const uint8_t* data, size_t size) {
    std::u16string value(size / 2, u'\0');
    for (size_t i = 0; i < value.size(); ++i) {
        value[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return value;
}

std::u16string asSingleBytes(const uint8_t* data, size_t size) {
    std::u16string value(size, u'\0');
    for (size_t i = 0; i < size; ++i) value[i] = scandrel::fromCp1252(data[i]);
    return value;
}

// The value with its kind turned: a document as plain text, plain text as a document.
std::u16string otherKind(const std::u16string& value) {
    if (rtf::isRichText(value)) return u" " + value;
    return u"{\\rtf1 " + value;
}

void checkPlainText(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\0') fail("NUL in the text of a plain value");
        if (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) fail("CR without LF in a plain value");
        if (c == u'\n' && (i == 0 || text[i - 1] != u'\r')) fail("LF without CR in a plain value");
    }
}

// Appends the value as the search does and checks what it added.
void appendChecked(PlainTextBuffer& buffer, const std::u16string& value) {
    const size_t before = buffer.text().size();
    buffer.append(value);
    const std::u16string_view added = std::u16string_view(buffer.text()).substr(before);
    if (rtf::isRichText(value)) {
        if (added.size() > value.size()) fail("a document gave more characters than it holds");
    } else {
        if (added.size() > 2 * value.size()) fail("a plain value gave more than two characters per character");
        checkPlainText(added);
    }
}

void exercise(PlainTextBuffer& buffer, const std::u16string& value) {
    buffer.clear();
    appendChecked(buffer, value);
    appendChecked(buffer, otherKind(value));
    // The search reads the buffer back by appending it to the patient's text.
    std::u16string patientText = u"ANA LIMA";
    buffer.appendPlainText(patientText);
    if (patientText.size() != 8 + buffer.text().size() || buffer.plainText() != buffer.text()) {
        fail("the buffer's plain text differs from what it holds");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One buffer for every input, as the search keeps one from patient to patient.
    static PlainTextBuffer buffer;
    exercise(buffer, asUtf16(data, size));
    exercise(buffer, asSingleBytes(data, size));
    return 0;
}
