#pragma once
// Reads a PNG back with the platform's imaging component (WIC), and checks a
// chunk's checksum with a CRC of our own.
#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "host/png_encoder.h"
#include "plugin/com_ptr.h"

namespace scandrel::host::testing {

// The checksum of PNG chunks (CRC-32 of ISO 3309), bit by bit.
inline uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// Nothing when the platform can't decode the bytes.
inline std::optional<RgbImage> decodePngWithPlatform(const std::vector<uint8_t>& png) {
    plugin::ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.putVoid())))
        return std::nullopt;
    plugin::ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))))
        return std::nullopt;
    plugin::ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())))
        return std::nullopt;
    plugin::ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.put()))) return std::nullopt;
    plugin::ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppRGB, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return std::nullopt;
    UINT width = 0, height = 0;
    converter->GetSize(&width, &height);
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    if (FAILED(converter->CopyPixels(nullptr, width * 3, static_cast<UINT>(image.pixels.size()), image.pixels.data())))
        return std::nullopt;
    return image;
}

// Initialises COM for one test.
class ComSession {
public:
    ComSession() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComSession() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

private:
    HRESULT result_;
};

}  // namespace scandrel::host::testing
