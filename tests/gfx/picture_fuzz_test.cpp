// Damaged copies of real files: every loader must either decode them or refuse them with
// PictureError, never crash, read outside the buffer (the sanitiser build watches) or
// fail some other way.

#include <gtest/gtest.h>

#include <random>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"

namespace tv {
namespace {

using testing::Bytes;

// Returns "" when the bytes load or are refused with PictureError, else what went wrong.
std::string tryLoad(const Bytes& b) {
    try {
        const Picture p = loadPicture(b);
        for (const Image& img : p.images)
            if (img.pixels.size() != std::size_t(img.width) * std::size_t(img.height))
                return "pixel count does not match the size";
        return "";
    } catch (const PictureError&) {
        return "";
    } catch (const std::exception& e) {
        return std::string("unexpected exception: ") + e.what();
    }
}

class DamagedFile : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedFile, IsDecodedOrRefusedCleanly) {
    const Bytes original = testing::readFile(testing::picturesDir() + "/" + GetParam());
    std::mt19937 rng(12345);
    auto pick = [&rng](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    for (int round = 0; round < 300; ++round) {
        Bytes b = original;
        switch (round % 3) {
            case 0:  // a few bytes changed, mostly in the headers where sizes live
                for (int k = 0; k < 1 + round % 4; ++k) {
                    const std::size_t at =
                        pick(round % 2 ? std::min<std::size_t>(b.size(), 160) : b.size());
                    b[at] = std::uint8_t(rng());
                }
                break;
            case 1:  // cut short
                b.resize(pick(b.size()));
                break;
            case 2:  // a 32-bit field set to an extreme
                if (b.size() >= 64) {
                    const std::size_t at = pick(60);
                    const std::uint32_t v = std::array<std::uint32_t, 4>{
                        0, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}[pick(4)];
                    testing::set32(b, at, v);
                }
                break;
        }
        const std::string fault = tryLoad(b);
        ASSERT_EQ(fault, "") << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, DamagedFile,
                         ::testing::Values("title_left.bmp", "button_min.bmp", "logo.jpg",
                                           "icon_update.bmp", "icon_ie_props.bmp",
                                           "icon_dialup.bmp", "glyph_cancel.bmp", "tolvane.ico"),
                         [](const auto& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tv
