// Fire and Move through the registered library: the windows opened and placed, the
// host object kept, the argument forms, and when the library may be unloaded.
#include "plugin/tests/fire_fixture.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

RECT outerRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

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
    const int dpiX = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX);
    EXPECT_EQ(outerRect(second).left, MulDiv(3000, dpiX, 1440));
}

TEST_F(FireTest, MovePlacesTheOuterCornerInTwipsAndKeepsTheSize) {
    fire(host.get());
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    const RECT before = outerRect(windows[0]);
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

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
