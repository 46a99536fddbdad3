// tolvane.exe carries the application icon under the name MAINICON and a version resource
// with the product's names, as the file manager and the task bar read them.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/win32/win32_text.h"
#include "gfx/win32/windows_api.h"

namespace tv {
namespace {

const std::wstring kExe = *win32::toWide(TOLVANE_EXE);

std::wstring versionText(const std::vector<BYTE>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) return L"";
    return static_cast<const wchar_t*>(value);
}

TEST(ProgramResources, TheIconIsMainiconWithEveryImageOfTheIconFile) {
    HMODULE exe = LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceW(exe, L"MAINICON", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const std::uint8_t*>(LockResource(LoadResource(exe, group)));
    ASSERT_NE(dir, nullptr);
    const int images = dir[4] | dir[5] << 8;

    std::ifstream in(std::string(TOLVANE_SOURCE_DIR) + "/src/resources/pictures/tolvane.ico",
                     std::ios::binary);
    const std::vector<char> ico((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    ASSERT_GT(ico.size(), 6u);
    EXPECT_EQ(images, std::uint8_t(ico[4]) | std::uint8_t(ico[5]) << 8);
    HICON icon = static_cast<HICON>(LoadImageW(exe, L"MAINICON", IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon) DestroyIcon(icon);
    FreeLibrary(exe);
}

TEST(ProgramResources, TheVersionResourceNamesTheProductAndItsVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kExe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(kExe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 2u);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 1u);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 0u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
    EXPECT_EQ(versionText(info, L"ProductName"), L"托尔万(Tolvane)");
    EXPECT_EQ(versionText(info, L"FileDescription"), L"托尔万(Tolvane)V2.1（增强版）");
    EXPECT_EQ(versionText(info, L"FileVersion"), L"2.1.0");
    EXPECT_EQ(versionText(info, L"OriginalFilename"), L"tolvane.exe");
}

}  // namespace
}  // namespace tv
