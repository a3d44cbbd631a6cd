#include "search/win32/form_children.h"

#include <commctrl.h>
#include <richedit.h>
#include <uxtheme.h>

#include <string>

#include "search/win32/rich_edit_stream.h"
#include "search/win32/search_window_ids.h"
#include "search/window_layout.h"
#include "text/error.h"
#include "text/twips.h"

namespace scandrel::search::win32 {
namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Places in the design's twips, made pixels at the screen's resolution.
class Maker {
public:
    Maker(HWND form, HINSTANCE module, int dpi) : form_(form), module_(module), dpi_(dpi) {}

    HWND createChild(DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                     const layout::TwipRect& rect, int id, HFONT font) const {
        const HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, px(rect.left), px(rect.top),
                                           px(rect.width), px(rect.height), form_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_, nullptr);
        if (!child) throw Error(static_cast<int32_t>(GetLastError()), u"Não foi possível criar a janela de pesquisa.");
        if (font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return child;
    }

    // A button as the window stores it: its caption and font, besides its extent
    // (2566 x 450 hundredths of a millimetre); everything else keeps its default.
    std::unique_ptr<controls::win32::CommandButtonWindow> createButton(const char16_t* caption,
                                                                       const layout::TwipRect& rect, int id) const {
        controls::PropertyBag stored;
        stored.write(u"caption", std::u16string(caption));
        stored.write(u"font", controls::StoredFont{u"Arial", 90000, 400, 0});
        stored.write(u"_extentx", 2566);
        stored.write(u"_extenty", 450);
        const RECT bounds{px(rect.left), px(rect.top), px(rect.left + rect.width), px(rect.top + rect.height)};
        return controls::win32::CommandButtonWindow::create(form_, id, bounds, stored);
    }

    int px(double twips) const { return twipsToPixels(twips, dpi_); }

private:
    HWND form_;
    HINSTANCE module_;
    int dpi_;
};

HFONT makeFont(const wchar_t* face, int32_t hundredthsOfPoint, int dpi) {
    return CreateFontW(-layout::fontPixels(hundredthsOfPoint, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

void createChildren(HWND form, HINSTANCE module, int dpi, FormChildren& children) {
    const Maker make(form, module, dpi);
    SearchControls& controls = children.controls;
    children.verdana = scandrel::win32::FontHandle(makeFont(L"Verdana", layout::kVerdanaSize, dpi));
    children.listFont = scandrel::win32::FontHandle(makeFont(L"MS Sans Serif", layout::kListFontSize, dpi));
    children.richEdit = std::make_unique<SystemLibrary>(L"riched20.dll");

    // Created in the window's stored order: each lies below the ones before it,
    // so the cancel button covers the find button.
    const HWND rtfTest = make.createChild(0, L"RichEdit20W", L"", ES_MULTILINE, layout::kRtfTest, kRtfTest, nullptr);
    streamInRichText(rtfTest, layout::kRtfTestDocument);
    controls.form = form;
    children.cxCancel = make.createButton(layout::kCancelCaption, layout::kCxCancel, kCxCancel);
    ShowWindow(children.cxCancel->hwnd(), SW_HIDE);
    children.cxFind = make.createButton(layout::kFindCaption, layout::kCxFind, kCxFind);
    controls.cxCancel = children.cxCancel->hwnd();
    controls.cxFind = children.cxFind->hwnd();
    controls.enableFind = [button = children.cxFind.get()](bool enabled) { button->setEnabled(enabled); };
    controls.txtSearch = make.createChild(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                          layout::kTxtSearch, kTxtSearch, children.verdana.get());
    controls.progressBar =
        make.createChild(0, PROGRESS_CLASSW, L"", WS_VISIBLE, layout::kProgressBar1, kProgressBar1, nullptr);
    SendMessageW(controls.progressBar, PBM_SETRANGE32, 0, 100);
    // The classic bar of blocks, as the common controls draw it without visual
    // styles (a styled bar costs milliseconds a step under Wine).
    SetWindowTheme(controls.progressBar, L"", L"");
    controls.lstResults = make.createChild(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                           layout::kLstResults, kLstResults, children.listFont.get());
    children.label1 = make.createChild(0, L"STATIC", wide(layout::kLabel1Text), WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                       layout::kLabel1, kLabel1, children.verdana.get());
    controls.lblResults = make.createChild(0, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, layout::kLblResults,
                                           kLblResults, children.verdana.get());
}

}  // namespace scandrel::search::win32
