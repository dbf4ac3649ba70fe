#include "ui/HeaderPicture_win.h"

#include "platform/win32/Handle.h"

#include <shlwapi.h>
#include <wincodec.h>

namespace zem {

win::ScopedGdiObject LoadJpegResource(HINSTANCE instance, int id, SIZE& size) {
    HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL data = res ? LoadResource(instance, res) : nullptr;
    if (data == nullptr)
        return {};
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(data));
    DWORD length = SizeofResource(instance, res);

    win::ComPtr<IWICImagingFactory> factory;
    win::ComPtr<IStream> stream;
    win::ComPtr<IWICBitmapDecoder> decoder;
    win::ComPtr<IWICBitmapFrameDecode> frame;
    win::ComPtr<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Receive()))))
        return {};
    *stream.Receive() = SHCreateMemStream(bytes, length);
    UINT w = 0, h = 0;
    if (!stream ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                                decoder.Receive())) ||
        FAILED(decoder->GetFrame(0, frame.Receive())) ||
        FAILED(factory->CreateFormatConverter(converter.Receive())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&w, &h)))
        return {};

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = -static_cast<LONG>(h); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::ScopedGdiObject bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap ||
        FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits))))
        return {};
    size = SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
    return bitmap;
}

} // namespace zem
