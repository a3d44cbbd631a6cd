#pragma once
// A form's stored property set for one control: named values in the order written.
// Keys are matched without regard to case.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "controls/cxCommand/platform_objects.h"

namespace scandrel::controls {

using PropertyValue = std::variant<bool, int32_t, std::u16string, Picture, Font, StoredFont>;

class PropertyBag {
public:
    using Entry = std::pair<std::u16string, PropertyValue>;

    // The value stored under `key`, or null when there is none.
    const PropertyValue* find(std::u16string_view key) const;

    // Stores the value; one stored under the same key in another case is replaced in place.
    void write(std::u16string key, PropertyValue value);

    const std::vector<Entry>& entries() const noexcept { return entries_; }

private:
    std::vector<Entry> entries_;
};

}  // namespace scandrel::controls
