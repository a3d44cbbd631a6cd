// scandrel make-demo OUT.mdb [--patients N] [--seed S]: writes the demo clinic.
#include <charconv>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "demo/demo_clinic.h"
#include "text/utf.h"

namespace scandrel::cli {
namespace {

constexpr std::string_view kUsage = "scandrel make-demo SAIDA.mdb [--patients N] [--seed S]";
constexpr int64_t kMaxPatients = 1'000'000;

template <class T>
bool parseNumber(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && at == end;
}

}  // namespace

int runMakeDemo(const Args& args) {
    std::string output;
    demo::DemoOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--patients" || a == "--seed") && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (a == "--patients") {
                int64_t n = 0;
                if (!parseNumber(value, n) || n < 0 || n > kMaxPatients) return usageError(kUsage);
                options.patients = static_cast<int32_t>(n);
            } else if (!parseNumber(value, options.seed)) {
                return usageError(kUsage);
            }
        } else if (output.empty() && !a.empty() && a[0] != '-') {
            output = a;
        } else {
            return usageError(kUsage);
        }
    }
    if (output.empty()) return usageError(kUsage);

    return guarded([&] {
        TerminalProgress progress(stderr);
        demo::writeDemoClinic(argumentPath(output), options, [&](int32_t done, int32_t total) {
            const double percent = total > 0 ? 100.0 * done / total : 100.0;
            progress.update(percent, u"Pacientes: " + fromUtf8(std::to_string(done)) + u" de " +
                                         fromUtf8(std::to_string(total)),
                            done == total);
        });
        progress.clear();
        return kExitOk;
    });
}

}  // namespace scandrel::cli
