// Fire and Move through the registered library: the windows opened and placed, the
// host object kept, the argument forms, and when the library may be unloaded.
#include "plugin/tests/fire_fixture.h"

#include <vector>

#include "search/win32/search_window_ids.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// The screen's dots per inch, across (x) and down (y), which turn twips into pixels.
POINT screenDpi() {
    HDC screen = GetDC(nullptr);
    const POINT dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT outerRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

BOOL CALLBACK countSearchWindow(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == GetCurrentProcessId() && std::wstring(name) == search::win32::kSearchWindowClass)
        ++*reinterpret_cast<int*>(context);
    return TRUE;
}

// Search windows of this process that exist, shown or hidden.
int searchWindowsLoaded() {
    int count = 0;
    EnumWindows(countSearchWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Move as a late-bound client calls it: its id asked by name, every argument by
// reference so that anything written back would show.
struct LateBoundMove {
    LateBoundMove(LONG l, LONG t) : left(l), top(t) {}
    LONG left, top, width = 5000, height = 5000;
    VARIANT_BOOL flag = VARIANT_TRUE;
    Variant result;
    EXCEPINFO exception{};

    HRESULT call(IDispatch* target) {
        const wchar_t* name = L"move";
        DISPID id = DISPID_UNKNOWN;
        const HRESULT found = target->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(&name), 1,
                                                    LOCALE_USER_DEFAULT, &id);
        if (found != S_OK) return found;
        std::vector<VARIANT> arguments(5);  // last argument first
        const auto reference = [&](size_t i, LONG& value) {
            V_VT(&arguments[4 - i]) = VT_I4 | VT_BYREF;
            V_I4REF(&arguments[4 - i]) = &value;
        };
        reference(0, left);
        reference(1, top);
        reference(2, width);
        reference(3, height);
        V_VT(&arguments[0]) = VT_BOOL | VT_BYREF;
        V_BOOLREF(&arguments[0]) = &flag;
        DISPPARAMS parameters{arguments.data(), nullptr, 5, 0};
        UINT badArgument = 0;
        return target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.get(),
                              &exception, &badArgument);
    }
};

TEST_F(FireTest, TheHostObjectIsKeptUntilTheNextFire) {
    const ULONG before = host->references();
    fire(host.get());
    EXPECT_EQ(host->references(), before + 1);
    auto other = FakeHost::create();
    other->answerAccess(Variant::text(u"0"));
    fire(other.get());  // refused, and still replaces the host object
    EXPECT_THAT(watcher.take(), ElementsAre(kPermissionBox));
    EXPECT_EQ(host->references(), before);
}

TEST_F(FireTest, TwoFiresOpenTwoWindowsAndMoveReachesOnlyTheSecond) {
    fire(host.get());
    const auto first = visibleSearchWindows();
    ASSERT_THAT(first, SizeIs(1));
    fire(host.get());
    auto both = visibleSearchWindows();
    ASSERT_THAT(both, SizeIs(2));
    const HWND second = both[0] == first[0] ? both[1] : both[0];
    const RECT firstBefore = outerRect(first[0]);

    EXPECT_EQ(move(3000, 1500), S_OK);
    EXPECT_EQ(outerRect(first[0]).left, firstBefore.left);
    EXPECT_EQ(outerRect(first[0]).top, firstBefore.top);
    EXPECT_EQ(outerRect(second).left, MulDiv(3000, screenDpi().x, 1440));
}

TEST_F(FireTest, MovePlacesTheOuterCornerInTwipsAndKeepsTheSize) {
    fire(host.get());
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    const RECT before = outerRect(windows[0]);
    const auto [dpiX, dpiY] = screenDpi();

    EXPECT_EQ(move(100, 200), S_OK);
    const RECT after = outerRect(windows[0]);
    // Rounded to the nearest pixel: 6.67 and 13.33 at 96 dpi.
    EXPECT_EQ(after.left, static_cast<LONG>(100.0 * dpiX / 1440.0 + 0.5));
    EXPECT_EQ(after.top, static_cast<LONG>(200.0 * dpiY / 1440.0 + 0.5));
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(FireTest, MoveOnAClosedWindowDoesNothing) {
    fire(host.get());
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    closeSearchWindows();
    EXPECT_EQ(move(100, 200), S_OK);
    EXPECT_THAT(visibleSearchWindows(), IsEmpty());
}

TEST_F(FireTest, MoveByNameThroughIDispatchPlacesTheWindowAndWritesNothingBack) {
    fire(host.get());
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    const RECT before = outerRect(windows[0]);
    const auto [dpiX, dpiY] = screenDpi();

    LateBoundMove move(3000, 1500);
    EXPECT_EQ(move.call(object.query<IDispatch>().get()), S_OK);
    EXPECT_EQ(V_VT(move.result.get()), VT_EMPTY);
    EXPECT_EQ(move.left, 3000);
    EXPECT_EQ(move.top, 1500);
    EXPECT_EQ(move.width, 5000);
    EXPECT_EQ(move.height, 5000);
    EXPECT_EQ(move.flag, VARIANT_TRUE);
    const RECT after = outerRect(windows[0]);
    EXPECT_EQ(after.left, MulDiv(3000, dpiX, 1440));
    EXPECT_EQ(after.top, MulDiv(1500, dpiY, 1440));
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_THAT(watcher.take(), IsEmpty());
}

// A refused Fire still replaces the window that Move reaches, by one that was never
// loaded: Move then places nothing, opens nothing and fails nothing.
TEST_F(FireTest, MoveAfterARefusedFireReachesOnlyTheWindowNeverLoaded) {
    fire(host.get());
    const auto shown = visibleSearchWindows();
    ASSERT_THAT(shown, SizeIs(1));
    const RECT before = outerRect(shown[0]);
    auto refusing = FakeHost::create();
    refusing->answerAccess(Variant::text(u"0"));
    fire(refusing.get());
    EXPECT_THAT(watcher.take(), ElementsAre(kPermissionBox));

    LateBoundMove move(3000, 1500);
    EXPECT_EQ(move.call(object.query<IDispatch>().get()), S_OK);
    EXPECT_EQ(V_VT(move.result.get()), VT_EMPTY);
    EXPECT_EQ(move.left, 3000);
    pumpMessages();
    EXPECT_EQ(outerRect(shown[0]).left, before.left);
    EXPECT_EQ(outerRect(shown[0]).top, before.top);
    EXPECT_THAT(visibleSearchWindows(), ElementsAre(shown[0]));
    EXPECT_EQ(searchWindowsLoaded(), 1);
    EXPECT_THAT(watcher.take(), IsEmpty());
}

TEST_F(FireTest, ClObjIsTakenByReferenceAndByValueThroughIDispatch) {
    const auto dispatch = object.query<IDispatch>();
    for (const VARTYPE form : {VARTYPE(VT_DISPATCH | VT_BYREF), VARTYPE(VT_DISPATCH)}) {
        IDispatch* argument = host.get();
        VARIANT parameter;
        V_VT(&parameter) = form;
        if (form & VT_BYREF) {
            V_DISPATCHREF(&parameter) = &argument;
        } else {
            V_DISPATCH(&parameter) = argument;
        }
        DISPPARAMS parameters{&parameter, nullptr, 1, 0};
        Variant result;
        EXCEPINFO exception{};
        UINT badArgument = 0;
        EXPECT_EQ(dispatch->Invoke(0x60030000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                   result.get(), &exception, &badArgument),
                  S_OK);
        EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
        EXPECT_EQ(argument, host.get());
        pumpMessages();
        EXPECT_THAT(visibleSearchWindows(), SizeIs(1));
        closeSearchWindows();
    }
    EXPECT_THAT(host->accessRequests(), SizeIs(2));
}

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

CanUnloadNow canUnloadNow() {
    const HMODULE module = GetModuleHandleW(pluginPath().c_str());
    return reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
}

TEST_F(FireTest, TheLibraryStaysLoadedWhileAnObjectALockOrAWindowLives) {
    const CanUnloadNow query = canUnloadNow();
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query(), S_FALSE);  // the test's object
    object.reset();
    EXPECT_EQ(query(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Interface, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.putVoid()),
              S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(query(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(query(), S_OK);

    object = createInterface();
    fire(host.get());
    object.reset();
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    EXPECT_EQ(query(), S_FALSE);  // a shown window
    ShowWindow(windows[0], SW_HIDE);
    pumpMessages();
    EXPECT_EQ(query(), S_FALSE);  // a hidden window is still loaded
    closeSearchWindows();
    EXPECT_EQ(query(), S_OK);
}

}  // namespace
}  // namespace scandrel::plugin::tests
