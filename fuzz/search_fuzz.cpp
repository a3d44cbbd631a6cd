// libFuzzer target for the whole search: each input is a clinic database file.
// The search window's run is driven as the command line drives it, through a view
// of its own: open the file, list the patients in name order, build every
// patient's search text and match two words. An error shown to the user or a
// result is fine; crashes, sanitizer reports, hangs, leaks and memory out of
// proportion to the input (libFuzzer's -rss_limit_mb and -malloc_limit_mb) are
// findings. So is a run whose listed rows and recorded patients disagree.
//
// One input stays quick: the run is cancelled, as the cancel button would do it,
// after kMaxPatients patients.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/memory_file.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "search/search_view.h"
#include "text/utf.h"

namespace {

using scandrel::fuzz::MemoryFile;
using scandrel::search::RunOutcome;
using scandrel::search::SearchController;

constexpr int kMaxPatients = 200;
// Two words, typed with a capital, an accent and a double space so that the
// typed text is lower-cased and normalised first: "ativo" is in the decoded
// words of nearly every patient, "a" in nearly every name.
constexpr char16_t kTyped[] = u"ATIVO  á";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "search_fuzz: %s\n", what);
    std::abort();
}

// The window as the run sees it: the typed text, the rows and the status line.
// Its yields cancel the run once enough patients are scanned.
class FuzzView final : public scandrel::search::SearchView {
public:
    void start(SearchController& controller) {
        controller_ = &controller;
        searchText_ = kTyped;
        rows_ = 0;
        yields_ = 0;
    }
    size_t rows() const { return rows_; }
    const std::u16string& statusText() const { return status_; }

    void setFindEnabled(bool) override {}
    void setCancelVisible(bool) override {}
    std::u16string searchText() const override { return searchText_; }
    void setSearchText(const std::u16string& text) override { searchText_ = text; }
    void setSearchLocked(bool) override {}
    void clearResults() override { rows_ = 0; }
    void appendResult(const std::u16string&) override { ++rows_; }
    std::u16string status() const override { return status_; }
    void setStatus(const std::u16string& caption) override { status_ = caption; }
    void setProgress(double percent) override {
        if (!(percent >= 0 && percent <= 100)) fail("progress outside 0 to 100");
    }
    void showMessage(const std::u16string&, int32_t, const std::u16string&) override {}
    void hide() override {}
    void doEvents() override {
        // Every listed row has its patient by the time the run yields.
        if (controller_->resultIds().size() != rows_) fail("a listed row without its patient");
        if (++yields_ >= kMaxPatients) controller_->cxCancel_Click();
    }

private:
    SearchController* controller_ = nullptr;
    std::u16string searchText_;
    std::u16string status_;
    size_t rows_ = 0;
    int yields_ = 0;
};

// The count in the completion message, or -1 when the status line holds none.
long completionCount(const std::u16string& status) {
    if (status == u"Pesquisa concluída. Foi encontrado 1 resultado.") return 1;
    if (status == u"Pesquisa concluída. Não foram encontradas ocorrências para sua pesquisa.") return 0;
    const std::string text = scandrel::toUtf8(status);
    const std::string prefix = "Pesquisa concluída. Foram encontrados ";
    if (text.rfind(prefix, 0) != 0) return -1;
    return std::strtol(text.c_str() + prefix.size(), nullptr, 10);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file("search_fuzz");
    file.assign(data, size);

    FuzzView view;
    scandrel::search::PlainTextBuffer buffer;
    // A clock that moves a second per reading, for the time-left estimate.
    float seconds = 36000;
    SearchController controller(view, buffer, [&seconds] { return seconds += 1; }, [](const std::u16string& path) {
        return scandrel::db::Database::open(std::filesystem::path(path), scandrel::db::LinkPolicy::Ignore);
    });
    view.start(controller);
    controller.setDbName(scandrel::fromUtf8(file.path()));
    controller.cxFind_Click();

    if (controller.running() || controller.resultCount() != 0) fail("the run did not return to idle");
    if (controller.resultIds().size() != view.rows()) fail("rows and patients differ after the run");
    const long counted = completionCount(view.statusText());
    if (controller.lastOutcome() != RunOutcome::EmptyDatabase && counted != static_cast<long>(view.rows())) {
        fail("the completion message counts other patients than the rows listed");
    }
    return 0;
}
