// clinora-host: a small Win32 program that plays Clinora for the plug-in.
#include <fcntl.h>
#include <io.h>
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/host_options.h"
#include "host/host_window.h"
#include "host/plugin_client.h"
#include "host/report.h"
#include "win32/command_line.h"

namespace {

using namespace scandrel::host;

class OleSession {
public:
    OleSession() : result_(OleInitialize(nullptr)) {}
    ~OleSession() {
        if (SUCCEEDED(result_)) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// The database as the host names it to the plug-in: a full Windows path.
std::u16string hostDatabasePath(const std::u16string& given) {
    if (given.empty()) return given;
    const std::u16string windows = windowsPath(given);
    const std::wstring path(windows.begin(), windows.end());
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length > full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    }
    if (length == 0) return given;
    full.resize(length);
    return std::u16string(full.begin(), full.end());
}

int run() {
    HostOptions options;
    try {
        options = parseHostOptions(scandrel::win32::commandLineArguments());
    } catch (const UsageError& e) {
        std::fputs((std::string("clinora-host: ") + e.what() + "\n\n").c_str(), stdout);
        std::fputs(kHostUsage, stdout);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kHostUsage, stdout);
        return kExitOk;
    }
    options.database = hostDatabasePath(options.database);
    options.screenshot = windowsPath(options.screenshot);

    const OleSession ole;
    if (FAILED(ole.result())) {
        report("falha: OleInitialize: " + describeFailure(ole.result()));
        return kExitFailed;
    }
    try {
        HostWindow window(GetModuleHandleW(nullptr), std::move(options));
        MSG message;
        int exitCode = kExitOk;
        while (true) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                exitCode = static_cast<int>(message.wParam);
                break;
            }
            if (got == -1) return kExitFailed;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return exitCode;
    } catch (const PluginFailure& e) {
        report(std::string("falha: ") + e.what());
        return kExitFailed;
    }
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    return run();
}
