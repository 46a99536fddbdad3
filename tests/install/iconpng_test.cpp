// The icon theme PNGs: each size is the icon's own image, its mask becomes alpha, and bad
// input is refused before anything is written.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"
#include "gfx/png.h"
#include "iconpng/icon_renditions.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tv-iconpng-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    std::vector<fs::path> files() const {
        std::vector<fs::path> all;
        for (const auto& e : fs::recursive_directory_iterator(path_)) all.push_back(e.path());
        return all;
    }

  private:
    fs::path path_;
};

Pixel paletteColour(int i) {
    return rgb(i * 16, 255 - i * 16, (i * 7 % 16) * 16);
}
int colourIndex(int x, int y) {
    return (x * 3 + y) % 16;
}
bool maskedOut(int x, int y, int size) {
    return x + y < size / 2 || x == size - 1;
}

// A 16-colour icon image like the application's: colour rows, then the AND mask, both
// bottom row first.
Bytes dibIconImage(int size) {
    testing::DibSpec s;
    s.width = size;
    s.height = 2 * size;
    s.bits = 4;
    s.colorsUsed = 16;
    for (int i = 0; i < 16; ++i) s.palette.push_back(paletteColour(i));
    for (int r = size - 1; r >= 0; --r) {
        Bytes row;
        for (int x = 0; x < size; x += 2)
            row.push_back(std::uint8_t(colourIndex(x, r) << 4 | colourIndex(x + 1, r)));
        s.rows.push_back(row);
    }
    for (int r = size - 1; r >= 0; --r) {
        Bytes row(std::size_t((size + 7) / 8), 0);
        for (int x = 0; x < size; ++x)
            if (maskedOut(x, r, size)) row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        s.rows.push_back(row);
    }
    return testing::dibBytes(s);
}

Bytes iconOfSizes(const std::vector<int>& sizes) {
    std::vector<testing::IconEntry> entries;
    for (int size : sizes) entries.push_back({size, size, dibIconImage(size)});
    return testing::iconFile(entries);
}

Image loadPngFile(const fs::path& path) {
    const Bytes bytes = testing::readFile(path.string());
    return loadPng(bytes);
}

TEST(IconRenditions, WritesEachSizeInTheThemeLayoutWithTheMaskAsAlpha) {
    TempDir out;
    const auto written = iconpng::writeRenditions(iconOfSizes({48, 16, 32}), out.path().string());
    ASSERT_EQ(written.size(), 3u);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const int size = iconpng::kSizes[i];
        const std::string dir = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(fs::path(written[i]), out.path() / dir / "apps" / "tolvane.png");
        const Image png = loadPngFile(written[i]);
        ASSERT_EQ(png.width, size);
        ASSERT_EQ(png.height, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const Pixel want =
                    maskedOut(x, y, size) ? 0u : (0xFF000000u | paletteColour(colourIndex(x, y)));
                ASSERT_EQ(png.at(x, y), want) << size << "px at " << x << "," << y;
            }
    }
}

TEST(IconRenditions, ApplicationIconKeepsItsTransparency) {
    const Bytes ico = testing::readFile(testing::picturesDir() + "/tolvane.ico");
    const Picture icon = loadIcon(ico);
    TempDir out;
    const auto written = iconpng::writeRenditions(ico, out.path().string());
    ASSERT_EQ(written.size(), 3u);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const Image* source = iconpng::imageOfSize(icon, iconpng::kSizes[i]);
        ASSERT_NE(source, nullptr);
        const Image png = loadPngFile(written[i]);
        ASSERT_EQ(png.width, source->width);
        ASSERT_EQ(png.height, source->height);
        int clear = 0, opaque = 0;
        for (std::size_t p = 0; p < png.pixels.size(); ++p) {
            const Pixel s = source->pixels[p];
            ASSERT_EQ(png.pixels[p], pixelAlpha(s) == 0 ? 0u : s) << "pixel " << p;
            (pixelAlpha(s) == 0 ? clear : opaque)++;
        }
        EXPECT_GT(clear, 0) << "the icon's mask should show the background somewhere";
        EXPECT_GT(opaque, 0);
    }
}

TEST(IconRenditions, RefusesBadIconsWithoutWritingAnything) {
    TempDir out;
    try {
        iconpng::writeRenditions(iconOfSizes({32}), out.path().string());
        FAIL() << "an icon without 16 and 48 pixel images was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("16x16, 48x48"), std::string::npos) << e.what();
    }
    Bytes truncated = iconOfSizes({16, 32, 48});
    truncated.resize(truncated.size() - 40);
    EXPECT_THROW(iconpng::writeRenditions(truncated, out.path().string()), PictureError);
    const Bytes bmp = testing::bmpFile({});
    EXPECT_THROW(iconpng::writeRenditions(bmp, out.path().string()), PictureError);
    EXPECT_TRUE(out.files().empty());
}

TEST(IconRenditions, ChoosesTheDeepestSquareImageOfTheSize) {
    Picture icon;
    icon.kind = Picture::Kind::Icon;
    auto image = [](int w, int h, int bits) {
        Image img;
        img.width = w;
        img.height = h;
        img.bitsPerPixel = bits;
        img.pixels.assign(std::size_t(w * h), 0xFF000000u);
        return img;
    };
    icon.images = {image(16, 16, 4), image(16, 32, 32), image(16, 16, 8), image(16, 16, 1)};
    ASSERT_NE(iconpng::imageOfSize(icon, 16), nullptr);
    EXPECT_EQ(iconpng::imageOfSize(icon, 16), &icon.images[2]);
    EXPECT_EQ(iconpng::imageOfSize(icon, 32), nullptr);
}

TEST(SaveRgbaPng, KeepsPartialAlphaAndDropsTheColourUnderClearPixels) {
    TempDir out;
    Image img;
    img.width = 3;
    img.height = 1;
    img.pixels = {0x80FF8000u, 0x00123456u, 0xFF0000FFu};
    const fs::path path = out.path() / "a.png";
    iconpng::saveRgbaPng(path.string(), img);
    const Image back = loadPngFile(path);
    EXPECT_EQ(back.pixels, (std::vector<Pixel>{0x80FF8000u, 0u, 0xFF0000FFu}));
}

TEST(SaveRgbaPng, ReplacesAnOlderFileWholeAndReportsAFolderItCannotMake) {
    TempDir out;
    const fs::path path = out.path() / "a.png";
    Image small;
    small.width = small.height = 1;
    small.pixels = {0xFFFF0000u};
    iconpng::saveRgbaPng(path.string(), small);
    Image big;
    big.width = big.height = 2;
    big.pixels.assign(4, 0xFF0000FFu);
    iconpng::saveRgbaPng(path.string(), big);
    EXPECT_EQ(loadPngFile(path).pixels, big.pixels);
    EXPECT_EQ(out.files(), std::vector<fs::path>{path}) << "no temporary file is left behind";

    // A file where a folder of the theme should go.
    EXPECT_THROW(iconpng::writeRenditions(iconOfSizes({16, 32, 48}), path.string()),
                 std::runtime_error);
    EXPECT_EQ(loadPngFile(path).pixels, big.pixels);
}

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun runTool(const std::vector<std::string>& args) {
    std::string command = TOLVANE_ICONPNG;
    for (const std::string& a : args) command += " '" + a + "'";
    ToolRun run;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return run;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) run.output += buffer;
    const int status = ::pclose(p);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(IconPngTool, ExitStatusAndMessages) {
    TempDir out;
    const std::string dir = out.path().string();
    EXPECT_EQ(runTool({}).status, 2);
    EXPECT_EQ(runTool({dir}).status, 2);

    const ToolRun missing = runTool({dir + "/none.ico", dir});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find(dir + "/none.ico"), std::string::npos) << missing.output;

    const ToolRun ok = runTool({testing::picturesDir() + "/tolvane.ico", dir + "/theme"});
    EXPECT_EQ(ok.status, 0) << ok.output;
    for (int size : iconpng::kSizes) {
        const std::string n = std::to_string(size);
        EXPECT_TRUE(fs::exists(out.path() / "theme" / (n + "x" + n) / "apps" / "tolvane.png"));
    }
}

}  // namespace
}  // namespace tv
