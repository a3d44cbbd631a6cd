#pragma once
// Watches the message boxes of this process: a thread finds every box as it appears,
// reads its title, text and icon, records it and dismisses it, so that no test ever
// waits on a box. A test takes the boxes it expects; a box left untaken when the
// watcher ends fails the test.
#include <windows.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace scandrel::testing {

enum class BoxIcon { none, critical, exclamation, other };

struct SeenBox {
    std::u16string title;
    std::u16string text;
    BoxIcon icon = BoxIcon::none;
    HWND owner = nullptr;  // not compared

    friend bool operator==(const SeenBox& a, const SeenBox& b) {
        return a.title == b.title && a.text == b.text && a.icon == b.icon;
    }
};
void PrintTo(const SeenBox& box, std::ostream* out);

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The boxes seen (and dismissed) since the last call, in the order they appeared.
    std::vector<SeenBox> take();

    // Waits until at least `count` boxes are waiting to be taken, pumping this thread's
    // messages meanwhile; false on time-out.
    bool waitFor(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace scandrel::testing
