#pragma once
// Runs a Windows program as a test's child, collecting its standard output, and
// ends it when it overruns its time.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace scandrel::cli::testing {

struct ProcessResult {
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string out;  // standard output, UTF-8
};

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* put() { return &handle_; }
    void reset() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

inline std::wstring quoted(const std::wstring& argument) {
    return L"\"" + argument + L"\"";
}

inline ProcessResult runProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                DWORD timeoutMilliseconds) {
    std::wstring commandLine = quoted(program);
    for (const std::wstring& argument : arguments) commandLine += L" " + quoted(argument);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return {true, 0, "CreatePipe falhou"};
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started))
        return {true, 0, "CreateProcessW falhou"};
    const Handle process(started.hProcess), thread(started.hThread);
    writeEnd.reset();  // the child holds the only write end now

    // Read as the output comes (the pipe must not fill up), without blocking: a
    // process the child started could keep a copy of the write end open.
    ProcessResult result;
    auto drain = [&] {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd.get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0)
                return;
            result.out.append(buffer, got);
        }
    };
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    while (WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT) {
        drain();
        if (GetTickCount64() > deadline) {
            result.timedOut = true;
            TerminateProcess(process.get(), 255);
            WaitForSingleObject(process.get(), 10000);
            break;
        }
    }
    drain();
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

// The lines of a program's output, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = end + 1;
    }
    return out;
}

}  // namespace scandrel::cli::testing
