#include "controls/cxCommand/property_bag.h"

#include <algorithm>

#include "text/lower_case.h"

namespace scandrel::controls {

namespace {

bool sameKey(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return text::toLower(x) == text::toLower(y); });
}

}  // namespace

const PropertyValue* PropertyBag::find(std::u16string_view key) const {
    for (const auto& [name, value] : entries_) {
        if (sameKey(name, key)) return &value;
    }
    return nullptr;
}

void PropertyBag::write(std::u16string key, PropertyValue value) {
    for (auto& [name, stored] : entries_) {
        if (sameKey(name, key)) {
            stored = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

}  // namespace scandrel::controls
