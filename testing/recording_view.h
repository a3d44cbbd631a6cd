#pragma once
// A search view that keeps the window's state, remembers every call ("find 0",
// "append ROW", "yield", ...) and lets a test act from inside the run's yields.
#include <functional>
#include <string>
#include <vector>

#include "search/search_view.h"
#include "text/utf.h"

namespace scandrel::search::testing {

class RecordingView : public SearchView {
public:
    struct Message {
        std::u16string text;
        int32_t style;
        std::u16string title;
    };
    std::function<void(int)> onYield;  // gets the number of the yield, from 1

    std::vector<std::string> calls;
    bool findEnabled = true, cancelVisible = false, locked = false, hidden = false;
    std::u16string box, caption;
    std::vector<std::u16string> rows, captions;
    double progress = -1;
    std::vector<Message> messages;
    int yields = 0;

    void setFindEnabled(bool on) override { log("find", on); findEnabled = on; }
    void setCancelVisible(bool on) override { log("cancel", on); cancelVisible = on; }
    void setSearchLocked(bool on) override { log("lock", on); locked = on; }
    std::u16string searchText() const override { return box; }
    void setSearchText(const std::u16string& t) override { log("box", t); box = t; }
    void clearResults() override { calls.push_back("clear"); rows.clear(); }
    void appendResult(const std::u16string& row) override { log("append", row); rows.push_back(row); }
    std::u16string status() const override { return caption; }
    void setStatus(const std::u16string& c) override { log("status", c); caption = c; captions.push_back(c); }
    void setProgress(double p) override { calls.push_back("progress " + std::to_string(static_cast<int>(p))); progress = p; }
    void showMessage(const std::u16string& t, int32_t style, const std::u16string& title) override {
        calls.push_back("message");
        messages.push_back({t, style, title});
    }
    void hide() override { calls.push_back("hide"); hidden = true; }
    void doEvents() override {
        calls.push_back("yield");
        ++yields;
        if (onYield) onYield(yields);
    }

private:
    void log(const char* what, bool on) { calls.push_back(std::string(what) + (on ? " 1" : " 0")); }
    void log(const char* what, const std::u16string& t) { calls.push_back(std::string(what) + " " + toUtf8(t)); }
};

}  // namespace scandrel::search::testing
