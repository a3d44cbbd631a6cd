// The search window through the eyes of an assistive tool: it asks the window for its
// accessible object, walks the children, finds the buttons by role and name, runs the
// find button's default action and follows the status line.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plugin/com_ptr.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/accessible_reading.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/posted_work.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using plugin::ComPtr;
using ::testing::Contains;
using ::testing::Not;
using scandrel::testing::childSelf;
using scandrel::testing::takeText;
using testing::pumpUntil;

// One element as the tool reads it.
struct Element {
    ComPtr<IAccessible> object;
    long role = 0;
    std::wstring name;
    std::wstring value;
    long state = 0;
};

Element read(ComPtr<IAccessible> object) {
    Element element;
    VARIANT variant;
    VariantInit(&variant);
    if (SUCCEEDED(object->get_accRole(childSelf(), &variant)) && variant.vt == VT_I4) element.role = variant.lVal;
    VariantInit(&variant);
    if (SUCCEEDED(object->get_accState(childSelf(), &variant)) && variant.vt == VT_I4) element.state = variant.lVal;
    BSTR text = nullptr;
    if (SUCCEEDED(object->get_accName(childSelf(), &text))) element.name = takeText(text);
    text = nullptr;
    if (SUCCEEDED(object->get_accValue(childSelf(), &text))) element.value = takeText(text);
    element.object = std::move(object);
    return element;
}

// The window's children, as AccessibleChildren gives them.
std::vector<Element> children(HWND window) {
    ComPtr<IAccessible> root;
    EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, root.putVoid()), S_OK);
    std::vector<Element> found;
    if (!root) return found;
    long count = 0;
    EXPECT_EQ(root->get_accChildCount(&count), S_OK);
    std::vector<VARIANT> list(static_cast<size_t>(count));
    long obtained = 0;
    EXPECT_EQ(AccessibleChildren(root.get(), 0, count, list.data(), &obtained), S_OK);
    for (long i = 0; i < obtained; ++i) {
        VARIANT& child = list[static_cast<size_t>(i)];
        if (child.vt == VT_DISPATCH && child.pdispVal) {
            ComPtr<IAccessible> object;
            child.pdispVal->QueryInterface(IID_IAccessible, object.putVoid());
            if (object) found.push_back(read(std::move(object)));
        }
        VariantClear(&child);
    }
    return found;
}

const Element* findButton(const std::vector<Element>& elements, const std::wstring& name) {
    for (const Element& element : elements) {
        if (element.role == ROLE_SYSTEM_PUSHBUTTON && element.name == name && !(element.state & STATE_SYSTEM_INVISIBLE)) {
            return &element;
        }
    }
    return nullptr;
}

std::vector<std::wstring> buttonNames(const std::vector<Element>& elements) {
    std::vector<std::wstring> names;
    for (const Element& element : elements) {
        if (element.role == ROLE_SYSTEM_PUSHBUTTON && !(element.state & STATE_SYSTEM_INVISIBLE)) {
            names.push_back(element.name);
        }
    }
    return names;
}

// Name changes of the status line, as a screen reader hears of them.
std::vector<HWND> nameChanges;
void CALLBACK onNameChange(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_OBJECT_NAMECHANGE && object == OBJID_CLIENT && child == CHILDID_SELF) {
        nameChanges.push_back(window);
    }
}

class Accessibility : public ::testing::Test {
protected:
    Accessibility() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Accessibility() override { CoUninitialize(); }

    void SetUp() override {
        ClinicWriter clinic(file);
        for (int i = 1; i <= 300; ++i) {
            const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(1000 + i).substr(1));
            clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
        }
        clinic.finish();
        window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
        window->setDbName(file.u16string());
        window->show();
        testing::pumpWaiting();
    }
    void TearDown() override {
        if (window->loaded()) DestroyWindow(window->handle());
        window.reset();
        EXPECT_EQ(loadedWindowCount(), 0);
    }

    HWND control(int id) const { return GetDlgItem(window->handle(), id); }
    bool searchOver() const {
        return testing::windowText(control(kLblResults)).find(L"Pesquisa conclu") == 0 &&
               !(GetWindowLongW(control(kTxtSearch), GWL_STYLE) & ES_READONLY);
    }

    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::shared_ptr<SearchWindow> window;
    scandrel::testing::MessageBoxWatcher boxes;
};

TEST_F(Accessibility, AToolFindsProcurarRunsItAndSeesCancelarOnlyWhileTheSearchRuns) {
    std::vector<Element> idle = children(window->handle());
    EXPECT_THAT(buttonNames(idle), Not(Contains(L"Cancelar")));
    const Element* find = findButton(idle, L"Procurar");
    ASSERT_NE(find, nullptr);
    EXPECT_FALSE(find->state & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(find->state & STATE_SYSTEM_FOCUSABLE);

    for (const wchar_t c : std::wstring(L"paciente")) PostMessageW(control(kTxtSearch), WM_CHAR, c, 1);
    testing::pumpWaiting();
    std::vector<std::wstring> buttonsWhileRunning;
    scandrel::testing::PostedWork during;
    ASSERT_EQ(find->object->accDoDefaultAction(childSelf()), S_OK);
    // Runs at the search's first yield.
    during.post([&] { buttonsWhileRunning = buttonNames(children(window->handle())); });
    ASSERT_TRUE(pumpUntil([&] { return during.done() && searchOver(); }));
    EXPECT_THAT(buttonsWhileRunning, Contains(L"Cancelar"));
    EXPECT_EQ(testing::windowText(control(kLblResults)), L"Pesquisa concluída. Foram encontrados 300 resultados.");
    EXPECT_EQ(SendMessageW(control(kLstResults), LB_GETCOUNT, 0, 0), 300);
    EXPECT_THAT(buttonNames(children(window->handle())), Not(Contains(L"Cancelar")));
}

TEST_F(Accessibility, TheSearchBoxAndTheListAreNamedByTheirLabelsAndTheBarTellsItsValue) {
    const std::vector<Element> elements = children(window->handle());
    std::vector<long> roles;
    for (const Element& element : elements) roles.push_back(element.role);
    EXPECT_THAT(roles, Contains(ROLE_SYSTEM_TEXT));
    for (const Element& element : elements) {
        if (element.role == ROLE_SYSTEM_TEXT) {
            EXPECT_EQ(element.name, L"Digite uma ou mais palavras para serem buscadas.");
        }
    }
    ComPtr<IAccessible> list;
    ASSERT_EQ(AccessibleObjectFromWindow(control(kLstResults), OBJID_CLIENT, IID_IAccessible, list.putVoid()), S_OK);
    SetWindowTextW(control(kLblResults), L"Pesquisa concluída. Foi encontrado 1 resultado.");
    EXPECT_EQ(read(list).name, L"Pesquisa concluída. Foi encontrado 1 resultado.");

    const Element* bar = nullptr;
    for (const Element& element : elements) {
        if (element.role == ROLE_SYSTEM_PROGRESSBAR) bar = &element;
    }
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value, L"0%");
    SendMessageW(control(kProgressBar1), PBM_SETPOS, 37, 0);
    EXPECT_EQ(read(bar->object).value, L"37%");
}

TEST_F(Accessibility, TheStatusLineAnnouncesEveryNewText) {
    nameChanges.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, onNameChange,
                                               GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    PostMessageW(control(kTxtSearch), WM_CHAR, L'p', 1);
    PostMessageW(control(kTxtSearch), WM_CHAR, 13, 1);
    ASSERT_TRUE(pumpUntil([&] { return searchOver(); }));
    testing::pumpWaiting();
    UnhookWinEvent(hook);
    EXPECT_THAT(nameChanges, Contains(control(kLblResults)));

    ComPtr<IAccessible> status;
    ASSERT_EQ(AccessibleObjectFromWindow(control(kLblResults), OBJID_CLIENT, IID_IAccessible, status.putVoid()),
              S_OK);
    EXPECT_EQ(read(status).name, L"Pesquisa concluída. Foram encontrados 300 resultados.");
}

}  // namespace
}  // namespace scandrel::search::win32
