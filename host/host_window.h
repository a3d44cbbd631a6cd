#pragma once
// Clinora's main window as the stand-in host shows it: one button, "Pesquisar
// pacientes", that opens the plug-in's search beside the window.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "host/host_options.h"
#include "host/search_driver.h"
#include "plugin/com_ptr.h"

namespace scandrel::host {

class HostWindow {
public:
    // Creates and shows the window; with --fire or --search the search opens at once.
    HostWindow(HINSTANCE instance, HostOptions options);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND handle() const { return window_; }
    // The exit code once the window is gone.
    int exitCode() const { return exitCode_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void create(HINSTANCE instance);

    // Creates the plug-in on first use, calls Fire with our object and moves the
    // new search window beside this one. Returns that window, or null (reported).
    HWND openSearch();
    void patientOpened(int32_t counter);
    void searchFinished(int exitCode);

    HostOptions options_;
    HWND window_ = nullptr;
    plugin::ComPtr<IDispatch> hostObject_;
    plugin::ComPtr<IDispatch> plugin_;
    std::unique_ptr<SearchDriver> driver_;
    int exitCode_ = kExitOk;
};

}  // namespace scandrel::host
