#pragma once
// The progress display's bar and status line, shown on a search view.
#include "search/search_view.h"
#include "text/progress.h"

namespace scandrel::search {

class ViewProgressBar final : public text::ProgressBar {
public:
    explicit ViewProgressBar(SearchView& view) : view_(view) {}
    void setValue(double percent) override { view_.setProgress(percent); }

private:
    SearchView& view_;
};

class ViewStatusLabel final : public text::StatusLabel {
public:
    explicit ViewStatusLabel(SearchView& view) : view_(view) {}
    void setCaption(const std::u16string& caption) override { view_.setStatus(caption); }
    std::u16string caption() const override { return view_.status(); }

private:
    SearchView& view_;
};

}  // namespace scandrel::search
