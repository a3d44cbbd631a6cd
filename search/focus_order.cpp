#include "search/focus_order.h"

namespace scandrel::search {

std::optional<std::size_t> nextTabStop(std::span<const TabStop> stops, bool backward) {
    const std::size_t count = stops.size();
    if (count == 0) return std::nullopt;
    // Outside the controls, Tab counts from the last and Shift+Tab from the first.
    std::size_t at = count - 1;
    bool inside = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (stops[i].focused) {
            at = i;
            inside = true;
        }
    }
    if (backward && !inside) at = 0;
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t i = backward ? (at + count - step % count) % count : (at + step) % count;
        if (stops[i].available) return i;
    }
    return std::nullopt;
}

}  // namespace scandrel::search
