#pragma once
// Test support for the plug-in's own tests: the registered library, its class made
// through COM as a host makes it, and the search windows it opens.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin/com_ptr.h"
#include "plugin/scandrel.h"
#include "testing/win32/scoped_registration.h"

namespace scandrel::plugin::tests {

// The Scandrel.dll under test, full path.
std::wstring pluginPath();

// COM for the test's thread, apartment-threaded like the host's user-interface thread.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// Runs this thread's pending window messages.
void pumpMessages();

// Visible search windows of this process.
std::vector<HWND> visibleSearchWindows();
// Closes every search window, as the user would, and lets the closing run.
void closeSearchWindows();

// Tests that need the plug-in registered for the whole machine while they run. The
// search windows a test opens are closed after it.
class RegisteredPluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void TearDown() override;

    // A new Interface, created by class id as the host does.
    static ComPtr<_Interface> createInterface();

private:
    static std::unique_ptr<ComApartment> apartment_;
    static std::unique_ptr<testing::ScopedRegistration> registration_;
};

}  // namespace scandrel::plugin::tests
