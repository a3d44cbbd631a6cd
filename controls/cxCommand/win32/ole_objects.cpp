#include "controls/cxCommand/win32/ole_objects.h"

#include <string>

#include "text/error.h"

namespace scandrel::controls::win32 {

namespace {

constexpr int32_t kHimetricPerInch = 2540;
constexpr int32_t kTwipsPerInch = 1440;

template <typename Interface>
std::shared_ptr<void> shared(Interface* object) {
    if (!object) return {};
    object->AddRef();
    return std::shared_ptr<void>(object, [](void* p) { static_cast<Interface*>(p)->Release(); });
}

Error platformError(HRESULT result, const char16_t* what) {
    return Error(static_cast<int32_t>(result), std::u16string(what));
}

int32_t himetricToTwips(OLE_XSIZE_HIMETRIC himetric) {
    return static_cast<int32_t>(MulDiv(himetric, kTwipsPerInch, kHimetricPerInch));
}

}  // namespace

Font makeOleFont(const StoredFont& stored) {
    std::wstring face(stored.face.begin(), stored.face.end());
    FONTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.lpstrName = face.data();
    description.cySize.int64 = stored.size;
    description.sWeight = static_cast<SHORT>(stored.weight);
    description.sCharset = static_cast<SHORT>(stored.charset);
    description.fItalic = stored.italic;
    description.fUnderline = stored.underline;
    description.fStrikethrough = stored.strikethrough;
    ComPtr<IFontDisp> font;
    const HRESULT result =
        OleCreateFontIndirect(&description, IID_IFontDisp, reinterpret_cast<void**>(font.GetAddressOf()));
    if (FAILED(result)) throw platformError(result, u"Não foi possível criar a fonte");
    return fontOf(font.Get());
}

Font fontOf(IFontDisp* font) { return Font{shared(font)}; }

Picture pictureOf(IPictureDisp* picture) {
    Picture result{shared(picture), {}};
    ComPtr<IPicture> reader;
    if (picture && SUCCEEDED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(reader.GetAddressOf())))) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        reader->get_Width(&width);
        reader->get_Height(&height);
        result.size = {himetricToTwips(width), himetricToTwips(height)};
    }
    return result;
}

ComPtr<IFontDisp> oleFontOf(const Font& font) { return static_cast<IFontDisp*>(font.object.get()); }

ComPtr<IPictureDisp> olePictureOf(const Picture& picture) { return static_cast<IPictureDisp*>(picture.object.get()); }

HFONT fontHandle(const Font& font) {
    ComPtr<IFont> reader;
    auto* object = static_cast<IFontDisp*>(font.object.get());
    if (!object || FAILED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(reader.GetAddressOf())))) {
        return nullptr;
    }
    HFONT handle = nullptr;
    return SUCCEEDED(reader->get_hFont(&handle)) ? handle : nullptr;
}

SIZE picturePixels(IPicture& picture, int dpi) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture.get_Width(&width);
    picture.get_Height(&height);
    return {MulDiv(width, dpi, kHimetricPerInch), MulDiv(height, dpi, kHimetricPerInch)};
}

void drawPicture(HDC dc, IPicture& picture, int x, int y, int dpi) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture.get_Width(&width);
    picture.get_Height(&height);
    const SIZE pixels = picturePixels(picture, dpi);
    // Rendering reads the source bottom-up in himetric units.
    picture.Render(dc, x, y, pixels.cx, pixels.cy, 0, height, width, -height, nullptr);
}


}  // namespace scandrel::controls::win32
