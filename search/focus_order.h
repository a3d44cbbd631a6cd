#pragma once
// Where Tab and Shift+Tab move the keyboard focus among a window's controls. The
// window lists its controls in tab order, each saying whether it has the focus now
// and whether it can take it (shown and enabled); this picks the next one. A pure
// function, for the window's thread or a test.
#include <cstddef>
#include <optional>
#include <span>

namespace scandrel::search {

struct TabStop {
    bool focused = false;    // the control has the focus now
    bool available = false;  // it can take the focus (shown and enabled)
};

// The control that takes the focus: the next available one after the focused one
// (before it, `backward`), going round; the focused one itself when it is the only
// one available. With the focus outside these controls, Tab starts at the first and
// Shift+Tab at the last. Nothing when no control is available.
std::optional<std::size_t> nextTabStop(std::span<const TabStop> stops, bool backward);

}  // namespace scandrel::search
