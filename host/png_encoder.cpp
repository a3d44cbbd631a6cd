#include "host/png_encoder.h"

#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "plugin/com_ptr.h"

namespace scandrel::host {
namespace {

using plugin::ComPtr;

void check(HRESULT result, const char* step) {
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
        throw std::runtime_error(std::string("PNG: ") + step + " falhou (0x" + code + ")");
    }
}

// The stream's bytes, from its memory.
std::vector<uint8_t> bytesOf(IStream* stream) {
    HGLOBAL memory = nullptr;
    check(GetHGlobalFromStream(stream, &memory), "GetHGlobalFromStream");
    STATSTG status{};
    check(stream->Stat(&status, STATFLAG_NONAME), "IStream::Stat");
    const auto size = static_cast<size_t>(status.cbSize.QuadPart);
    const void* data = GlobalLock(memory);
    if (!data) throw std::runtime_error("PNG: GlobalLock falhou");
    std::vector<uint8_t> bytes(size);
    std::memcpy(bytes.data(), data, size);
    GlobalUnlock(memory);
    return bytes;
}

}  // namespace

std::vector<uint8_t> encodePng(const RgbImage& image) {
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    if (image.width == 0 || image.height == 0 || image.width > 0x7FFFFFFF || image.height > 0x7FFFFFFF ||
        image.pixels.size() != rowBytes * image.height) {
        throw std::invalid_argument("encodePng: the pixels do not match the image size");
    }
    // WIC's 24-bit formats put blue first.
    std::vector<uint8_t> bgr(image.pixels.size());
    for (size_t i = 0; i < bgr.size(); i += 3) {
        bgr[i] = image.pixels[i + 2];
        bgr[i + 1] = image.pixels[i + 1];
        bgr[i + 2] = image.pixels[i];
    }

    ComPtr<IWICImagingFactory> factory;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           factory.putVoid()),
          "CoCreateInstance(WICImagingFactory)");
    ComPtr<IStream> stream;
    check(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), "CreateStreamOnHGlobal");
    ComPtr<IWICBitmapEncoder> encoder;
    check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()), "CreateEncoder");
    check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "IWICBitmapEncoder::Initialize");
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    check(encoder->CreateNewFrame(frame.put(), options.put()), "CreateNewFrame");
    check(frame->Initialize(options.get()), "IWICBitmapFrameEncode::Initialize");
    check(frame->SetSize(image.width, image.height), "SetSize");
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&format), "SetPixelFormat");
    if (format != GUID_WICPixelFormat24bppBGR) throw std::runtime_error("PNG: formato de pixel recusado");
    check(frame->WritePixels(image.height, static_cast<UINT>(rowBytes), static_cast<UINT>(bgr.size()), bgr.data()),
          "WritePixels");
    check(frame->Commit(), "IWICBitmapFrameEncode::Commit");
    check(encoder->Commit(), "IWICBitmapEncoder::Commit");
    return bytesOf(stream.get());
}

}  // namespace scandrel::host
