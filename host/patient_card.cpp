#include "host/patient_card.h"

#include <string>

#include "host/window_class.h"

namespace scandrel::host {
namespace {

constexpr wchar_t kCardClass[] = L"ClinoraPacienteCard";
constexpr int kCardWidth = 320, kCardHeight = 140;

LRESULT CALLBACK cardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void showPatientCard(HWND owner, int32_t counter, const std::u16string& text) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    registerWindowClass(instance, kCardClass, cardProc, COLOR_WINDOW);
    RECT below{};
    GetWindowRect(owner, &below);
    const std::wstring title = L"Clinora - Paciente " + std::to_wstring(counter);
    HWND card = CreateWindowExW(0, kCardClass, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                below.left, below.bottom + 8, kCardWidth, kCardHeight, owner, nullptr, instance,
                                nullptr);
    if (!card) return;
    RECT client{};
    GetClientRect(card, &client);
    const std::wstring lines(text.begin(), text.end());
    HWND label = CreateWindowExW(0, L"STATIC", lines.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10,
                                 client.right - 20, client.bottom - 20, card, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ShowWindow(card, SW_SHOW);
}

}  // namespace scandrel::host
