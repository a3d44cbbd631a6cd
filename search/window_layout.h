#pragma once
// The search window's fixed design: its client area and the places of its
// elements, in twips (1/1440 inch) from the client area's top-left corner, with the
// conversion to pixels for a display's resolution.
#include <cstdint>

#include "text/twips.h"

namespace scandrel::search::layout {

using scandrel::TwipRect;

// The client area on the screen where the window first opens, and its size.
inline constexpr TwipRect kClientArea{5910, 3810, 6780, 5070};

inline constexpr TwipRect kRtfTest{6480, 4320, 255, 255};
inline constexpr TwipRect kCxCancel{5280, 450, 1455, 255};
inline constexpr TwipRect kCxFind{5280, 450, 1455, 255};
inline constexpr TwipRect kTxtSearch{120, 720, 6615, 285};
inline constexpr TwipRect kProgressBar1{105, 4680, 6645, 255};
inline constexpr TwipRect kLstResults{120, 1440, 6615, 3150};
inline constexpr TwipRect kLabel1{120, 480, 5055, 255};
inline constexpr TwipRect kLblResults{120, 1200, 6495, 255};
// Line1 runs from (kLine1Left, kLine1Y) to (kLine1Right, kLine1Y), both ends drawn.
inline constexpr int32_t kLine1Left = 120;
inline constexpr int32_t kLine1Right = 6720;
inline constexpr int32_t kLine1Y = 1080;

// Font sizes in hundredths of a point.
inline constexpr int32_t kVerdanaSize = 825;       // search box and labels
inline constexpr int32_t kListFontSize = 825;      // MS Sans Serif, the result list

inline constexpr char16_t kLabel1Text[] = u"Digite uma ou mais palavras para serem buscadas.";
inline constexpr char16_t kFindCaption[] = u"Procurar";
inline constexpr char16_t kCancelCaption[] = u"Cancelar";
// The hidden rich-text element's initial document: an empty paragraph in
// MS Sans Serif, 8.5 points, Portuguese (Brazil).
inline constexpr char kRtfTestDocument[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 \r\n"
    "\\par }\r\n";

// Font height in pixels for a size in hundredths of a point.
int32_t fontPixels(int32_t hundredthsOfPoint, int32_t dotsPerInch);

}  // namespace scandrel::search::layout
