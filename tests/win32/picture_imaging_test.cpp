// JPEG and PNG through the system's imaging: the committed logo, JPEGs made with the
// system's own encoder, damaged and oversized files refused, and PNG written and read back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/picture.h"
#include "gfx/png.h"
#include "gfx/win32/windows_api.h"

#include <wincodec.h>

namespace tv {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string sourceDir() {
    const char* dir = std::getenv("TOLVANE_SOURCE_DIR");
    return dir ? dir : ".";
}

// A JPEG of one flat colour, written by the system's encoder (what a user's file would
// be), or a grey one with a single component.
Bytes encodeJpeg(int w, int h, Pixel colour, bool grey) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    Bytes out;
    WICPixelFormatGUID format = grey ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
    const int bpp = grey ? 1 : 3;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
        SUCCEEDED(frame->Initialize(options)) && SUCCEEDED(frame->SetSize(UINT(w), UINT(h))) &&
        SUCCEEDED(frame->SetPixelFormat(&format))) {
        const UINT stride = UINT((w * bpp + 3) & ~3);
        std::vector<BYTE> rows(std::size_t(stride) * std::size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                BYTE* p = &rows[std::size_t(y) * stride + std::size_t(x * bpp)];
                if (grey) {
                    p[0] = BYTE(colour);
                } else {
                    p[0] = BYTE(colour);
                    p[1] = BYTE(colour >> 8);
                    p[2] = BYTE(colour >> 16);
                }
            }
        if (SUCCEEDED(frame->WritePixels(UINT(h), stride, UINT(rows.size()), rows.data())) &&
            SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
            HGLOBAL memory = nullptr;
            GetHGlobalFromStream(stream, &memory);
            STATSTG st{};
            stream->Stat(&st, STATFLAG_NONAME);
            const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
            out.assign(data, data + st.cbSize.QuadPart);
            GlobalUnlock(memory);
        }
    }
    for (IUnknown* u : std::initializer_list<IUnknown*>{options, frame, encoder, stream, factory})
        if (u) u->Release();
    CoUninitialize();
    return out;
}

bool similar(Pixel a, Pixel b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

TEST(SystemImaging, TheLogoDecodesAtItsFrameSizeOpaque) {
    const Bytes logo = readFile(sourceDir() + "/src/resources/pictures/logo.jpg");
    ASSERT_GT(logo.size(), 100u);
    const Picture p = loadPicture(logo);
    EXPECT_EQ(p.kind, Picture::Kind::Jpeg);
    // The frame header (SOF0) holds the size: height then width, big-endian.
    std::size_t sof = 2;
    while (sof + 9 < logo.size() && !(logo[sof] == 0xFF && logo[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, logo.size());
    EXPECT_EQ(p.height(), logo[sof + 5] << 8 | logo[sof + 6]);
    EXPECT_EQ(p.width(), logo[sof + 7] << 8 | logo[sof + 8]);
    for (Pixel px : p.image().pixels) ASSERT_EQ(px >> 24, 0xFFu);
    // The logo is mostly white around its lettering, with some red in it.
    int white = 0, reddish = 0;
    for (Pixel px : p.image().pixels) {
        white += similar(px, 0xFFFFFF, 8);
        reddish += ((px >> 16) & 0xFF) > 180 && ((px >> 8) & 0xFF) < 90 && (px & 0xFF) < 90;
    }
    EXPECT_GT(white, int(p.image().pixels.size()) / 2);
    EXPECT_GT(reddish, 0);
}

TEST(SystemImaging, ColourAndGreyJpegsDecodeToTheirColour) {
    const Bytes colour = encodeJpeg(20, 12, 0x3366CC, false);
    ASSERT_FALSE(colour.empty());
    const Picture c = loadJpeg(colour);
    ASSERT_EQ(c.width(), 20);
    ASSERT_EQ(c.height(), 12);
    EXPECT_EQ(c.image().bitsPerPixel, 24);
    EXPECT_TRUE(similar(c.image().at(10, 6), 0x3366CC, 6)) << std::hex << c.image().at(10, 6);

    const Bytes grey = encodeJpeg(9, 7, 0x80, true);
    ASSERT_FALSE(grey.empty());
    const Picture g = loadJpeg(grey);
    EXPECT_EQ(g.image().bitsPerPixel, 8);
    EXPECT_TRUE(similar(g.image().at(4, 3), 0x808080, 4)) << std::hex << g.image().at(4, 3);
}

TEST(SystemImaging, DamagedJpegsAreRefusedRatherThanFilledWithGrey) {
    const Bytes good = encodeJpeg(32, 32, 0x20A040, false);
    ASSERT_GT(good.size(), 200u);
    for (std::size_t cut : {good.size() - 2, good.size() / 2, std::size_t(3)}) {
        const Bytes truncated(good.begin(), good.begin() + std::ptrdiff_t(cut));
        EXPECT_THROW(loadJpeg(truncated), PictureError) << "cut at " << cut;
    }
    EXPECT_THROW(loadJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xD9}), PictureError);  // no image at all
    EXPECT_THROW(loadJpeg(Bytes{'n', 'o', 'p', 'e'}), PictureError);
}

TEST(SystemImaging, AnAbsurdFrameSizeIsRefusedBeforeDecoding) {
    Bytes big = encodeJpeg(8, 8, 0x000000, false);
    std::size_t sof = 2;
    while (sof + 9 < big.size() && !(big[sof] == 0xFF && big[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, big.size());
    big[sof + 5] = big[sof + 7] = 0xFF;  // 65 280 rows and columns
    try {
        loadJpeg(big);
        ADD_FAILURE() << "decoded";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("larger than supported"), std::string::npos)
            << e.what();
    }
}

TEST(SystemImaging, PngIsWrittenOpaqueAndReadBack) {
    const std::vector<Pixel> px{0x00112233u, 0xFF445566u, 0x80778899u,
                                0xFFAABBCCu, 0xDEADBEEFu, 0xFF000000u};
    const std::string path =
        (std::filesystem::temp_directory_path() / "tolvane-imaging-test.png").string();
    savePng(path, px.data(), 2, 2, 3);  // a stride wider than the picture
    const Bytes file = readFile(path);
    std::filesystem::remove(path);
    const Image back = loadPng(file);
    ASSERT_EQ(back.width, 2);
    ASSERT_EQ(back.height, 2);
    EXPECT_EQ(back.at(0, 0), 0xFF112233u);
    EXPECT_EQ(back.at(1, 0), 0xFF445566u);
    EXPECT_EQ(back.at(0, 1), 0xFFAABBCCu);
    EXPECT_EQ(back.at(1, 1), 0xFFADBEEFu);
    EXPECT_THROW(loadPng(Bytes(file.begin(), file.begin() + 20)), PictureError);
    EXPECT_THROW(savePng("Z:\\no such folder\\x.png", px.data(), 2, 2, 2), std::runtime_error);
}

}  // namespace
}  // namespace tv
