#pragma once
// The platform's picture and font objects as the button sees them: opaque shared
// references. The platform layer makes them (OLE pictures and fonts on Windows) and
// is the only one that looks inside.
#include <cstdint>
#include <memory>
#include <string>

#include "text/twips.h"

namespace scandrel::controls {

// A picture reference with its natural size. Copies share the same object.
struct Picture {
    std::shared_ptr<void> object;
    TwipSize size;
    bool operator==(const Picture& other) const { return object == other.object; }
};

// A font object; changing its attributes changes every caption drawn with it.
struct Font {
    std::shared_ptr<void> object;
    bool operator==(const Font& other) const { return object == other.object; }
};

// A font as a form stores it, before the platform turns it into a font object.
struct StoredFont {
    std::u16string face;
    int64_t size = 0;  // in ten-thousandths of a point: 90000 is 9 points
    int16_t weight = 400;
    int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    bool operator==(const StoredFont&) const = default;
};

}  // namespace scandrel::controls
