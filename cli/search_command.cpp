// scandrel search DB [--ids] [--why] [--links=follow|ignore] [--ahead=N] WORDS...: the search
// window's run on the command line. Rows go to standard output as they are found,
// each followed, with --why, by where its words were found, one indented line per
// word; the progress line (on a terminal) and the final status line go to standard
// error. A failure ends the program with "number: description" on standard error
// instead of the status line. Ctrl-C is the cancel button. --ahead=N: patients built
// ahead, in all, by the run's two worker threads (0: each built when reached, on one thread).
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_text.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "text/utf.h"

namespace scandrel::cli {
namespace {

constexpr std::string_view kSearchUsage = "scandrel search DB [--ids] [--why] [--links=follow|ignore] [--ahead=N] PALAVRAS...";
constexpr int kExitInterrupted = 130;
constexpr size_t kMostAhead = 4096;

// "--ahead=N": how many patients the workers may build ahead, 0 to kMostAhead.
bool takeAhead(std::string_view number, size_t& ahead) {
    size_t n = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (error != std::errc() || end != number.data() + number.size() || n > kMostAhead) return false;
    ahead = n;
    return true;
}

// Messages quote names from the file: never raw control characters.
void writeLine(std::FILE* stream, const std::u16string& text) {
    std::string line = terminalSafe(toUtf8(text), true);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stream);
}

class ConsoleView final : public search::SearchView {
public:
    ConsoleView(std::u16string searchText, bool withIds)
        : searchText_(std::move(searchText)), withIds_(withIds), rowsOnTerminal_(isTerminal(stdout)) {}

    void attach(search::SearchController& controller) { controller_ = &controller; }

    void setFindEnabled(bool) override {}
    void setCancelVisible(bool) override {}
    std::u16string searchText() const override { return searchText_; }
    void setSearchText(const std::u16string& text) override { searchText_ = text; }
    void setSearchLocked(bool) override {}

    void clearResults() override {
        pending_.clear();
        printed_ = 0;
    }
    void appendResult(const std::u16string& row) override { pending_.push_back(row); }

    std::u16string status() const override { return status_; }
    void setStatus(const std::u16string& caption) override { status_ = caption; }
    void setProgress(double percent) override { percent_ = percent; }

    // The run's only boxes report its failure, which the program reports itself
    // with the error's number once the run is over.
    void showMessage(const std::u16string&, int32_t, const std::u16string&) override {}
    void hide() override {}

    void doEvents() override {
        printRows();
        if (takeInterrupt() && controller_ != nullptr) controller_->cxCancel_Click();
        progress_.update(percent_, status_);
    }

    // Rows are printed once their patient is recorded, which is always the case by
    // the time the run yields.
    void printRows() {
        if (pending_.empty()) return;
        if (rowsOnTerminal_) progress_.clear();
        for (const auto& row : pending_) {
            std::string line;
            if (withIds_ && controller_ != nullptr) {
                if (const auto id = controller_->patientAt(static_cast<int>(printed_))) {
                    line += std::to_string(*id);
                }
                line += '\t';
            }
            line += rowsOnTerminal_ ? terminalSafe(toUtf8(row)) : toUtf8(row);
            line += '\n';
            if (controller_ != nullptr) {
                for (const auto& reason : controller_->reasonsAt(static_cast<int>(printed_))) {
                    line += "    ";
                    line += toUtf8(reason);
                    line += '\n';
                }
            }
            std::fwrite(line.data(), 1, line.size(), stdout);
            ++printed_;
        }
        pending_.clear();
        std::fflush(stdout);
    }

    // The rows left, then the status line unless the run failed.
    void finish(bool withStatus) {
        printRows();
        progress_.clear();
        if (withStatus) writeLine(stderr, status_);
        std::fflush(stderr);
    }

private:
    std::u16string searchText_;
    bool withIds_;
    bool rowsOnTerminal_;
    search::SearchController* controller_ = nullptr;
    std::vector<std::u16string> pending_;
    size_t printed_ = 0;
    std::u16string status_;
    double percent_ = 0;
    TerminalProgress progress_;
};

}  // namespace

int runSearch(const Args& args) {
    bool withIds = false;
    bool why = false;
    db::LinkPolicy links = db::LinkPolicy::Follow;
    size_t ahead = search::kDefaultPatientsAhead;
    bool optionsEnded = false;
    std::string database;
    bool haveDatabase = false;
    std::string words;
    bool firstWord = true;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--ids") {
            withIds = true;
        } else if (!optionsEnded && arg == "--why") {
            why = true;
        } else if (!optionsEnded && arg.starts_with("--links=")) {
            std::vector<std::string> option = {arg};
            if (!takeLinksOption(option, links)) return usageError(kSearchUsage);
        } else if (!optionsEnded && arg.starts_with("--ahead=")) {
            if (!takeAhead(std::string_view(arg).substr(8), ahead)) return usageError(kSearchUsage);
        } else if (!optionsEnded && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            return usageError(kSearchUsage);
        } else if (!haveDatabase) {
            database = arg;
            haveDatabase = true;
        } else {
            if (!firstWord) words += ' ';
            words += arg;
            firstWord = false;
        }
    }
    if (!haveDatabase || database.empty()) return usageError(kSearchUsage);

    ConsoleView view(fromUtf8(words), withIds);
    search::PlainTextBuffer buffer;
    search::SearchController controller(view, buffer, text::secondsSinceMidnight,
                                        [links](const std::u16string& path) {
                                            return db::Database::open(std::filesystem::path(path), links);
                                        });
    view.attach(controller);
    controller.setExplainMatches(why);
    controller.setPatientsAhead(ahead);
    controller.setDbName(fromUtf8(database));
    {
        InterruptHandler interrupt;
        controller.cxFind_Click();
    }
    const auto& failure = controller.lastFailure();
    view.finish(!failure);
    if (failure) return reportError(*failure);

    switch (controller.lastOutcome()) {
        case search::RunOutcome::Cancelled: return kExitInterrupted;
        case search::RunOutcome::EmptySearchText: return kExitUsage;
        default: return kExitOk;
    }
}

}  // namespace scandrel::cli
