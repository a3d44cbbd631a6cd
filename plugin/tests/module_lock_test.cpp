// A host that re-enters: while the plug-in waits on the host or shows a box, the host
// closes our window, releases our object, frees unused libraries and calls Fire again.
// The library stays loaded while its code is on the stack, and every host object
// lives for the whole of a call made on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "plugin/tests/fire_fixture.h"
#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/posted_work.h"
#include "testing/win32/scoped_registration.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::SizeIs;
using namespace search::testing;

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

bool pluginLoaded() { return GetModuleHandleW(pluginPath().c_str()) != nullptr; }

HRESULT askCanUnloadNow() {
    const auto entry = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(pluginPath().c_str()), "DllCanUnloadNow")));
    return entry ? entry() : E_FAIL;
}

// Runs the thread's messages, as the host's loop does, until `done` holds.
bool pumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        pumpMessages();
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Runs `onBox` for the next message box of this thread, as its dialog starts.
class NextBox {
public:
    explicit NextBox(std::function<void(HWND)> onBox) {
        action() = std::move(onBox);
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, watch, nullptr, GetCurrentThreadId());
    }
    ~NextBox() {
        UnhookWindowsHookEx(hook_);
        action() = {};
    }
    NextBox(const NextBox&) = delete;
    NextBox& operator=(const NextBox&) = delete;

private:
    static std::function<void(HWND)>& action() {
        static std::function<void(HWND)> pending;
        return pending;
    }
    static LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && action()) {
            const auto run = std::move(action());
            action() = {};
            run(call->hwnd);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK hook_ = nullptr;
};

// The library registered, but loaded only by COM, so that freeing unused libraries
// really unloads it.
class ModuleLockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        apartment_ = std::make_unique<ComApartment>();
        ASSERT_EQ(testing::registerServer(pluginPath(), testing::RegistrationScope::machine), S_OK);
    }
    static void TearDownTestSuite() {
        testing::unregisterServer(pluginPath(), testing::RegistrationScope::machine);
        apartment_.reset();
    }
    void TearDown() override {
        closeSearchWindows();
        object.reset();
        CoFreeUnusedLibraries();
        EXPECT_FALSE(pluginLoaded()) << "nothing of ours is in use any more";
    }

    static ComPtr<_Interface> createInterface() {
        ComPtr<_Interface> created;
        EXPECT_EQ(CoCreateInstance(CLSID_Interface, nullptr, CLSCTX_INPROC_SERVER, IID__Interface, created.putVoid()),
                  S_OK);
        return created;
    }

    void fire(IDispatch* target) {
        IDispatch* argument = target;
        EXPECT_EQ(object->Fire(&argument), S_OK);
        pumpMessages();
    }

    // A clinic of three patients, searched in the window the host's Fire opened; the
    // second row is then selected.
    HWND openWindowWithResults() {
        {
            ClinicWriter clinic(file);
            for (const char16_t* name : {u"ANA", u"BRUNO", u"CARLA"}) {
                clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                        {u"Paci_dt_DataNascimentoPaciente", date(1970, 1, 2)}});
            }
            clinic.finish();
        }
        host->setDbName(Variant::text(file.u16string()));
        fire(host.get());
        const auto windows = visibleSearchWindows();
        EXPECT_THAT(windows, SizeIs(1));
        if (windows.empty()) return nullptr;
        const HWND form = windows[0];
        const HWND box = GetDlgItem(form, search::win32::kTxtSearch);
        PostMessageW(box, WM_CHAR, L' ', 1);
        PostMessageW(box, WM_CHAR, 13, 1);
        EXPECT_TRUE(pumpUntil([&] {
            return windowText(GetDlgItem(form, search::win32::kLblResults)).find(L"Pesquisa conclu") == 0 &&
                   !IsWindowVisible(GetDlgItem(form, search::win32::kCxCancel));
        }));
        SendMessageW(GetDlgItem(form, search::win32::kLstResults), LB_SETCURSEL, 1, 0);
        return form;
    }

    // What the host's idle work found while our code was still on the stack.
    struct Seen {
        bool ran = false;
        HRESULT canUnload = E_FAIL;
        bool stillLoaded = false;
    };
    static Seen freeUnusedLibraries() {
        Seen seen;
        seen.ran = true;
        seen.canUnload = askCanUnloadNow();
        CoFreeUnusedLibraries();
        seen.stillLoaded = pluginLoaded();
        return seen;
    }

    static inline std::unique_ptr<ComApartment> apartment_;
    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    ComPtr<_Interface> object = createInterface();
    ComPtr<FakeHost> host = FakeHost::create();
    testing::MessageBoxWatcher watcher;
    testing::PostedWork idle;  // the host's idle work, run from a message loop
};

TEST_F(ModuleLockTest, TheHostOpensThePatientModallyClosesTheWindowAndFreesUnusedLibraries) {
    const HWND form = openWindowWithResults();
    ASSERT_NE(form, nullptr);
    object.reset();  // the host keeps no Interface: only the window keeps the library
    Seen seen;
    host->duringCall(u"LoadPacienteInterface", [&] {
        // The host's modal patient form: the user closes the search window meanwhile,
        // and the host's idle processing frees unused libraries.
        PostMessageW(form, WM_CLOSE, 0, 0);
        pumpUntil([&] { return !IsWindow(form); });
        seen = freeUnusedLibraries();
    });
    PostMessageW(GetDlgItem(form, search::win32::kLstResults), WM_CHAR, L'a', 1);
    ASSERT_TRUE(pumpUntil([&] { return seen.ran; }));
    EXPECT_EQ(seen.canUnload, S_FALSE);
    EXPECT_TRUE(seen.stillLoaded);
    EXPECT_THAT(host->openedPatients(), SizeIs(1));
    EXPECT_EQ(askCanUnloadNow(), S_OK) << "the call is over";
}

TEST_F(ModuleLockTest, TheBoxOfAFailedOpeningKeepsTheLibraryWhileTheHostClosesTheWindow) {
    const HWND form = openWindowWithResults();
    ASSERT_NE(form, nullptr);
    object.reset();
    host->failMember(u"LoadPacienteInterface", hostFailure(E_FAIL, 1001, u"Paciente bloqueado"));
    std::wstring boxText;
    Seen seen;
    const NextBox onBox([&](HWND box) {
        boxText = windowText(GetDlgItem(box, 0xFFFF));
        // Seen by the box's own message loop: the host destroys our window (and the box
        // it owns) and frees unused libraries while MessageBox has not yet returned.
        idle.post([&] {
            DestroyWindow(form);
            seen = freeUnusedLibraries();
        });
    });
    PostMessageW(GetDlgItem(form, search::win32::kLstResults), WM_CHAR, L'a', 1);
    ASSERT_TRUE(pumpUntil([&] { return seen.ran && !IsWindow(form); }));
    EXPECT_EQ(boxText, L"1001 Paciente bloqueado");
    EXPECT_EQ(seen.canUnload, S_FALSE);
    EXPECT_TRUE(seen.stillLoaded);
    watcher.take();  // the box may have gone with its owner before the watcher saw it
}

TEST_F(ModuleLockTest, FiresBoxKeepsTheLibraryWhileTheHostReleasesInterface) {
    host->answerAccess(Variant::text(u"0"));
    Seen seen;
    const NextBox onBox([&](HWND) {
        idle.post([&] {
            object.reset();  // the host's last reference, while Fire is still running
            seen = freeUnusedLibraries();
        });
    });
    IDispatch* argument = host.get();
    _Interface* const raw = object.get();
    EXPECT_EQ(raw->Fire(&argument), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return seen.ran; }));
    EXPECT_EQ(seen.canUnload, S_FALSE);
    EXPECT_TRUE(seen.stillLoaded);
    ASSERT_TRUE(watcher.waitFor(1));
    EXPECT_THAT(watcher.take(), ::testing::ElementsAre(kPermissionBox));
}

TEST_F(ModuleLockTest, ASecondFireFromInsideLoadPacienteInterfaceLeavesTheCalledHostAlive) {
    const HWND first = openWindowWithResults();
    ASSERT_NE(first, nullptr);
    FakeHost* const called = host.get();
    host.reset();  // the host handed Fire an object it no longer holds itself
    ComPtr<FakeHost> other = FakeHost::create();
    ULONG referencesDuringCall = 0;
    ULONG referencesAfterFire = 0;
    called->duringCall(u"LoadPacienteInterface", [&] {
        referencesDuringCall = called->references();
        // The plug-in keeps the host of the last Fire and the call holds its own: with
        // fewer, the second Fire would destroy the object under its own Invoke.
        if (referencesDuringCall < 2) return;
        fire(other.get());
        referencesAfterFire = called->references();
    });
    PostMessageW(GetDlgItem(first, search::win32::kLstResults), WM_CHAR, L'a', 1);
    ASSERT_TRUE(pumpUntil([&] { return referencesDuringCall != 0; }));
    EXPECT_EQ(referencesDuringCall, 2u);
    EXPECT_EQ(referencesAfterFire, 1u);
    EXPECT_THAT(visibleSearchWindows(), SizeIs(2));
    EXPECT_THAT(other->accessRequests(), SizeIs(1));
}

}  // namespace
}  // namespace scandrel::plugin::tests
