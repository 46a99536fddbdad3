// JPEG and PNG on Windows, through the platform's own imaging: the picture loaders of the
// Windows build compile this file in place of the libjpeg and libpng ones.
//
// JPEG: OleLoadPicture, which every 32-bit Windows has, decodes the very bytes that the
// Linux build gives to libjpeg, so both builds embed the same logo file. The system's
// decoder quietly fills a damaged or truncated file with grey; the markers are checked
// here first, so such a file is refused as it is on Linux.
// PNG (icons holding PNG images, and the snapshots tests save): the Windows Imaging
// Component.

#include "gfx/win32/windows_api.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/picture.h"
#include "gfx/picture_dib.h"
#include "gfx/png.h"
#include "gfx/win32/win32_text.h"

namespace tv {

namespace {

// Releases a COM object at the end of a scope.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// COM for the duration of one call, where the thread has not set it up already.
class ComScope {
  public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT hr_;
};

struct JpegFrame {
    int width = 0;
    int height = 0;
    int components = 0;
};

// Walks the markers from start-of-image to end-of-image: a frame header with a size the
// loaders accept, entropy-coded data after each scan header, and nothing cut short.
JpegFrame checkJpeg(std::span<const std::uint8_t> b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        throw PictureError("JPEG: not a JPEG file (no start-of-image marker)");
    JpegFrame frame;
    bool scanSeen = false;
    std::size_t i = 2;
    for (;;) {
        // Fill bytes (0xFF runs) may stand before a marker.
        while (i < b.size() && b[i] == 0xFF && i + 1 < b.size() && b[i + 1] == 0xFF) ++i;
        if (i + 1 >= b.size())
            throw PictureError("JPEG: the data ends before the end-of-image marker");
        if (b[i] != 0xFF)
            throw PictureError("JPEG: damaged data (a marker was expected at byte " +
                               std::to_string(i) + ")");
        const std::uint8_t m = b[i + 1];
        i += 2;
        if (m == 0xD9) break;  // end of image
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;
        if (i + 2 > b.size()) throw PictureError("JPEG: the data ends inside a marker");
        const std::size_t len = std::size_t(b[i]) << 8 | b[i + 1];
        if (len < 2 || i + len > b.size())
            throw PictureError("JPEG: the data ends inside a marker");
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (len < 8) throw PictureError("JPEG: damaged frame header");
            frame.height = int(b[i + 3]) << 8 | b[i + 4];
            frame.width = int(b[i + 5]) << 8 | b[i + 6];
            frame.components = b[i + 7];
            if (frame.components != 1 && frame.components != 3)
                throw PictureError("JPEG: " + std::to_string(frame.components) +
                                   " colour components are not supported");
            if (frame.width == 0 || frame.height == 0) throw PictureError("JPEG: empty frame");
            if (frame.width > picture_detail::kMaxSide || frame.height > picture_detail::kMaxSide ||
                std::uint64_t(frame.width) * std::uint64_t(frame.height) >
                    picture_detail::kMaxPixels)
                throw PictureError("JPEG: size " + std::to_string(frame.width) + " x " +
                                   std::to_string(frame.height) + " is larger than supported");
        }
        i += len;
        if (m == 0xDA) {
            if (frame.width == 0) throw PictureError("JPEG: a scan before the frame header");
            scanSeen = true;
            // Entropy-coded data runs to the next marker that is not a stuffed 0xFF00 or
            // a restart marker.
            while (i + 1 < b.size() &&
                   !(b[i] == 0xFF && b[i + 1] != 0x00 && !(b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7)))
                ++i;
        }
    }
    if (!scanSeen) throw PictureError("JPEG: no image data");
    return frame;
}

}  // namespace

Picture loadJpeg(std::span<const std::uint8_t> bytes) {
    const JpegFrame frame = checkJpeg(bytes);

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) throw PictureError("JPEG: out of memory");
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.out()))) {
        GlobalFree(memory);
        throw PictureError("JPEG: out of memory");
    }
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), LONG(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.out()))) ||
        !picture) {
        throw PictureError("JPEG: the system's decoder refused the file");
    }
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture->get_Handle(&handle)))
        throw PictureError("JPEG: the system's decoder gave no bitmap");
    auto* bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info) || info.bmWidth != frame.width ||
        info.bmHeight != frame.height)
        throw PictureError("JPEG: the system's decoder gave another size than the file's");

    Image image;
    image.width = frame.width;
    image.height = frame.height;
    image.bitsPerPixel = 8 * frame.components;
    image.paletteSize = 0;
    image.pixels.resize(std::size_t(frame.width) * std::size_t(frame.height));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = frame.width;
    bi.bmiHeader.biHeight = -frame.height;  // top row first, as Image keeps them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows =
        GetDIBits(screen, bitmap, 0, UINT(frame.height), image.pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != frame.height) throw PictureError("JPEG: the decoded rows could not be read");
    for (Pixel& p : image.pixels) p |= 0xFF000000u;

    Picture pic;
    pic.kind = Picture::Kind::Jpeg;
    pic.images.push_back(std::move(image));
    return pic;
}

namespace {

bool createFactory(ComPtr<IWICImagingFactory>& factory) {
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(factory.out()))) &&
           factory;
}

}  // namespace

Image loadPng(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw PictureError("PNG: file too large");
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (!createFactory(factory)) throw PictureError("PNG: the system has no PNG decoder");
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()))))
        throw PictureError("PNG: out of memory");
    ComPtr<IWICBitmapDecoder> decoder;
    GUID container{};
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())) ||
        FAILED(decoder->GetContainerFormat(&container)) || container != GUID_ContainerFormatPng)
        throw PictureError("PNG: damaged or not a PNG file");
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&w, &h)) || w == 0 ||
        h == 0)
        throw PictureError("PNG: damaged file");
    if (w > UINT(picture_detail::kMaxSide) || h > UINT(picture_detail::kMaxSide) ||
        std::uint64_t(w) * h > picture_detail::kMaxPixels)
        throw PictureError("PNG: size " + std::to_string(w) + " x " + std::to_string(h) +
                           " is larger than supported");
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        throw PictureError("PNG: the image cannot be converted");
    Image image;
    image.width = int(w);
    image.height = int(h);
    image.bitsPerPixel = 32;
    image.paletteSize = 0;
    image.pixels.resize(std::size_t(w) * h);
    // 32bppBGRA in memory is 0xAARRGGBB with straight alpha.
    if (FAILED(converter->CopyPixels(nullptr, w * 4, UINT(image.pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(image.pixels.data()))))
        throw PictureError("PNG: damaged image data");
    return image;
}

void savePng(const std::string& path, const Pixel* pixels, int width, int height, int stride) {
    const auto fail = [&path](const char* what) {
        return std::runtime_error("cannot write " + path + ": " + what);
    };
    if (width <= 0 || height <= 0 || stride < width) throw fail("bad image size");
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (!createFactory(factory)) throw fail("the system has no PNG encoder");
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromFilename(win32::toWideLenient(path).c_str(), GENERIC_WRITE)))
        throw fail("cannot create the file");
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.out(), options.out())) ||
        FAILED(frame->Initialize(options.get())) ||
        FAILED(frame->SetSize(UINT(width), UINT(height))) ||
        FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR)
        throw fail("the encoder refused the image");
    // Window buffers are opaque whatever their alpha byte says: only the colour is kept.
    const UINT rowBytes = UINT((width * 3 + 3) & ~3);
    std::vector<BYTE> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        const Pixel* src = pixels + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x) {
            row[std::size_t(x) * 3] = BYTE(src[x]);
            row[std::size_t(x) * 3 + 1] = BYTE(src[x] >> 8);
            row[std::size_t(x) * 3 + 2] = BYTE(src[x] >> 16);
        }
        if (FAILED(frame->WritePixels(1, rowBytes, rowBytes, row.data())))
            throw fail("writing failed");
    }
    if (FAILED(frame->Commit()) || FAILED(encoder->Commit())) throw fail("writing failed");
}

}  // namespace tv
