#include "search/win32/background_picture.h"

#include <olectl.h>

#include <cstring>
#include <utility>

#include "text/error.h"

namespace scandrel::search::win32 {

namespace {

using Microsoft::WRL::ComPtr;

Error resourceNotFound() { return Error(326, u"Recurso não encontrado"); }
Error invalidPicture() { return Error(481, u"Imagem inválida"); }

// A stream over a copy of the bytes; the stream frees the copy.
ComPtr<IStream> memoryStream(std::string_view bytes) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) throw Error(7, u"Memória insuficiente");
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, bytes.data(), bytes.size());
        GlobalUnlock(memory);
    }
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.GetAddressOf()))) {
        GlobalFree(memory);
        throw Error(7, u"Memória insuficiente");
    }
    return stream;
}

}  // namespace

BackgroundPicture::BackgroundPicture(ComPtr<IPicture> picture, SIZE size)
    : picture_(std::move(picture)), size_(size) {}

BackgroundPicture BackgroundPicture::fromResource(HMODULE module, int id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw resourceNotFound();
    return fromBytes({static_cast<const char*>(data), SizeofResource(module, found)});
}

BackgroundPicture BackgroundPicture::fromBytes(std::string_view bytes) {
    if (bytes.empty()) throw invalidPicture();
    const ComPtr<IStream> stream = memoryStream(bytes);
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.GetAddressOf())))) {
        throw invalidPicture();
    }
    // The decoded bitmap's own size: the file's dots per inch play no part.
    OLE_HANDLE handle = 0;
    BITMAP bitmap{};
    if (FAILED(picture->get_Handle(&handle)) ||
        !GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap)) {
        throw invalidPicture();
    }
    return BackgroundPicture(std::move(picture), {bitmap.bmWidth, bitmap.bmHeight});
}

void BackgroundPicture::draw(HDC dc, int x, int y) const {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    // The whole picture into a rectangle of its own pixel size; the source is read
    // bottom-up in himetric units.
    picture_->Render(dc, x, y, size_.cx, size_.cy, 0, height, width, -height, nullptr);
}

}  // namespace scandrel::search::win32
