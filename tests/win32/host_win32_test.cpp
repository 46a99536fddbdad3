// The Windows host services against Wine's real registry, read back in their wide form (an
// ANSI read-back would hide a wrong code page), and the launch calls recorded one layer
// below HostServices, where WinExec and ShellExecuteA would be called.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx/win32/win32_text.h"
#include "host/win32/win32_host.h"
#include "host/win32/win32_host_calls.h"
#include "mainwindow/fixture.h"

namespace tv {
namespace {

// The ANSI code page of this process: the registry's A functions read our bytes in it.
TEST(Win32System, TheAnsiCodePageIs936) {
    EXPECT_EQ(GetACP(), 936u);
}

struct WideValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    DWORD bytes = 0;
    std::wstring text;
};

WideValue readWide(HKEY root, const std::wstring& path, const std::wstring& name) {
    WideValue v;
    HKEY key = nullptr;
    v.status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (v.status != ERROR_SUCCESS) return v;
    wchar_t data[512] = {};
    v.bytes = sizeof data - sizeof(wchar_t);
    v.status = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(data),
                                &v.bytes);
    RegCloseKey(key);
    if (v.status == ERROR_SUCCESS) v.text.assign(data, v.bytes / sizeof(wchar_t));
    return v;
}

// The calls that reached the system, with what they were given.
struct Recorder {
    std::vector<std::string> commands;  // WinExec: the bytes of the command line
    std::vector<UINT> showFlags;
    std::vector<std::string> opened;  // ShellExecuteA: the file
    std::vector<HWND> owners;
    std::vector<bool> verbAndRestNull;
    std::vector<INT> openShow;
    std::vector<REGSAM> access;
    std::vector<DWORD> options;
    std::vector<DWORD> setSizes;
    int closes = 0;

    Win32HostCalls calls() {
        Win32HostCalls c = Win32HostCalls::system();
        c.winExec = [this](LPCSTR line, UINT show) {
            commands.push_back(line);
            showFlags.push_back(show);
            return UINT(33);
        };
        c.shellExecuteA = [this](HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir,
                                 INT show) {
            owners.push_back(owner);
            opened.push_back(file);
            verbAndRestNull.push_back(!verb && !params && !dir);
            openShow.push_back(show);
            return reinterpret_cast<HINSTANCE>(33);
        };
        c.regCreateKeyExA = [this](HKEY root, LPCSTR path, DWORD reserved, LPSTR cls, DWORD opts,
                                   REGSAM sam, LPSECURITY_ATTRIBUTES sa, PHKEY out,
                                   LPDWORD disposition) {
            access.push_back(sam);
            options.push_back(opts);
            return RegCreateKeyExA(root, path, reserved, cls, opts, sam, sa, out, disposition);
        };
        c.regSetValueExA = [this](HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD size) {
            setSizes.push_back(size);
            return RegSetValueExA(key, name, reserved, type, data, size);
        };
        c.regCloseKey = [this](HKEY key) {
            ++closes;
            return RegCloseKey(key);
        };
        return c;
    }
};

// A scratch key of this test program under the current user, removed afterwards.
class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = "Software\\Tolvane Tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        widePath_ = *win32::toWide(path_);
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, widePath_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, widePath_.c_str());
    }
    WideValue value(const std::wstring& name) {
        return readWide(HKEY_CURRENT_USER, widePath_, name);
    }

    std::string path_;
    std::wstring widePath_;
    Recorder recorder_;
    Win32HostServices host_{recorder_.calls()};
};

TEST_F(Registry, ChineseTextIsStoredAsCodePage936AndReadsBackExactlyInWideForm) {
    auto key = host_.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    host_.writeString(*key, "Window Title", "托尔万(Tolvane)");
    host_.closeKey(std::move(key));

    const WideValue v = value(L"Window Title");
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, DWORD(REG_SZ));
    EXPECT_EQ(v.text, std::wstring(L"托尔万(Tolvane)") + L'\0');
    // Length + 1 bytes of code page 936: 3 double-byte characters, 9 ASCII, the zero.
    ASSERT_EQ(recorder_.setSizes, std::vector<DWORD>{16});
    EXPECT_EQ(recorder_.access, std::vector<REGSAM>{KEY_ALL_ACCESS});
    EXPECT_EQ(recorder_.options, std::vector<DWORD>{0});
    EXPECT_EQ(recorder_.closes, 1);
}

TEST_F(Registry, KeysAreCreatedWithTheKeysAboveThemAndChineseNamesSurvive) {
    auto key = host_.openKey(RegistryRoot::CurrentUser, path_ + "\\个性\\设置");
    ASSERT_NE(key, nullptr);
    host_.writeString(*key, "标题", "");
    host_.closeKey(std::move(key));
    const WideValue v = readWide(HKEY_CURRENT_USER, widePath_ + L"\\个性\\设置", L"标题");
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.text, std::wstring(1, L'\0'));  // an empty string is still a string
    EXPECT_EQ(recorder_.setSizes, std::vector<DWORD>{1});
}

TEST_F(Registry, TextsTheCodePageCannotCarryAreRefusedAndNothingIsStored) {
    auto key = host_.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    for (const std::string& text : {std::string("标题😀"), std::string("한국어"),
                                    std::string("a\0b", 3), std::string("\xC0\xAF")}) {
        try {
            host_.writeString(*key, "Window Title", text);
            ADD_FAILURE() << "stored " << text;
        } catch (const RegistryError& e) {
            EXPECT_STREQ(e.what(), "Failed to set data for 'Window Title'");
        }
    }
    EXPECT_TRUE(recorder_.setSizes.empty());
    EXPECT_EQ(value(L"Window Title").status, ERROR_FILE_NOT_FOUND);
    // A path or value name outside the code page never reaches the system either.
    EXPECT_EQ(host_.openKey(RegistryRoot::CurrentUser, path_ + "\\😀"), nullptr);
    EXPECT_FALSE(host_.deleteValue(*key, "😀"));
}

TEST_F(Registry, DeletingReportsWhetherTheValueWasThere) {
    auto key = host_.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    host_.writeString(*key, "LegalNoticeText", "我的电脑");
    EXPECT_TRUE(host_.deleteValue(*key, "LegalNoticeText"));
    EXPECT_FALSE(host_.deleteValue(*key, "LegalNoticeText"));
    EXPECT_EQ(value(L"LegalNoticeText").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AKeyIsClosedWhenAnErrorUnwindsPastIt) {
    try {
        auto key = host_.openKey(RegistryRoot::CurrentUser, path_);
        ASSERT_NE(key, nullptr);
        host_.writeString(*key, "Window Title", "😀");
    } catch (const RegistryError&) {
    }
    EXPECT_EQ(recorder_.closes, 1);
}

TEST_F(Registry, AKeyFromAnotherHostIsRefused) {
    Win32HostServices other;
    auto key = other.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    EXPECT_THROW(host_.writeString(*key, "Window Title", "x"), RegistryError);
    EXPECT_FALSE(host_.deleteValue(*key, "Window Title"));
}

TEST(Win32Host, AKeyTheSystemRefusesIsReportedOnlyByItsFlag) {
    Win32HostCalls calls;
    calls.regCreateKeyExA = [](HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                               PHKEY, LPDWORD) { return LONG(ERROR_ACCESS_DENIED); };
    Win32HostServices host(calls);
    EXPECT_EQ(host.openKey(RegistryRoot::LocalMachine, "Software\\Tolvane Tests"), nullptr);
}

// A value that is not there is passed over quietly; any other refusal is an error, so
// "cleared" is never reported for a value that stayed.
TEST_F(Registry, ADeleteTheSystemRefusesRaisesTheError) {
    auto key = host_.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    host_.writeString(*key, "Window Title", "标题");
    Win32HostCalls refusing = recorder_.calls();
    refusing.regDeleteValueA = [](HKEY, LPCSTR) { return LONG(ERROR_ACCESS_DENIED); };
    Win32HostServices host(refusing);
    auto refused = host.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(refused, nullptr);
    try {
        host.deleteValue(*refused, "Window Title");
        ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to delete value 'Window Title'");
    }
    EXPECT_EQ(value(L"Window Title").status, ERROR_SUCCESS);
}

// Where the system reads ANSI texts in another code page, code page 936 bytes would turn
// into other characters: such texts are refused, plain ASCII still goes through.
TEST_F(Registry, OnASystemWithAnotherCodePageOnlyWhatReadsBackTheSameIsStored) {
    Win32HostCalls western = recorder_.calls();
    western.getACP = [] { return UINT(1252); };
    Win32HostServices host(western);
    auto key = host.openKey(RegistryRoot::CurrentUser, path_);
    ASSERT_NE(key, nullptr);
    EXPECT_THROW(host.writeString(*key, "Window Title", "托尔万(Tolvane)"), RegistryError);
    EXPECT_EQ(value(L"Window Title").status, ERROR_FILE_NOT_FOUND);
    host.writeString(*key, "Window Title", "Tolvane");
    EXPECT_EQ(value(L"Window Title").text, std::wstring(L"Tolvane") + L'\0');
    EXPECT_EQ(host.openKey(RegistryRoot::CurrentUser, path_ + "\\托尔万"), nullptr);
    host.runCommand("notepad.exe 托尔万.txt", 9);
    EXPECT_TRUE(recorder_.commands.empty());
}

TEST(Win32Host, TheCursorPositionIsTheSystemsOwn) {
    ASSERT_TRUE(SetCursorPos(123, 234));
    Win32HostServices host;
    EXPECT_EQ(host.cursorPos(), (ScreenPoint{123, 234}));
}

// A command line reaches the process it starts in code page 936: a folder named in
// Chinese on the command line exists afterwards under its wide name.
TEST(Win32Host, ARealCommandLineCarriesItsChineseText) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder =
        std::wstring(temp) + L"托尔万-" + std::to_wstring(GetCurrentProcessId());
    RemoveDirectoryW(folder.c_str());
    Win32HostServices host;
    host.runCommand("cmd.exe /c mkdir \"" + win32::fromWide(folder) + "\"", SW_HIDE);
    bool made = false;
    for (int i = 0; i < 100 && !made; ++i) {
        made = GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!made) Sleep(50);
    }
    EXPECT_TRUE(made);
    RemoveDirectoryW(folder.c_str());
}

// The main window's actions over the Windows host: the real registry, recorded launches.
struct WindowsProgram {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    Recorder recorder;
    Win32HostServices host{recorder.calls()};
    resources::PictureLibrary pictures;
    PictureSource source = [this](const std::string& n) { return pictures.get(n); };
    LayoutDocument mainLayout{resources::text("main.json"), "main.json"};
    LayoutDocument aboutLayout{resources::text("about.json"), "about.json"};
    TForm1 form1{app, host, mainLayout, source};
    TForm3 form3{app, aboutLayout, source};
    test::Driver drv{platform, app};
    std::vector<std::string> notices;

    WindowsProgram() {
        form1.setAboutForm(&form3);
        app.onMessageBox = [this](const TApplication::BoxRecord& r) { notices.push_back(r.text); };
        form1.show();
        drv.start();
    }
};

class MainWindowOnWindows : public ::testing::Test, protected WindowsProgram {};

const std::wstring kIeMain = L"Software\\Microsoft\\Internet Explorer\\Main";
const std::wstring kWinlogon = L"Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";

TEST_F(MainWindowOnWindows, SetTitleWritesTheTypedTitleUnderBothRoots) {
    drv.click(*form1.Panel4);
    form1.Edit1->setText("我的浏览器");
    drv.click(*form1.SpeedButton77);
    ASSERT_EQ(notices, std::vector<std::string>{"IE标题设置成功！"});
    drv.dismissBox();
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const WideValue v = readWide(root, kIeMain, L"Window Title");
        ASSERT_EQ(v.status, ERROR_SUCCESS);
        EXPECT_EQ(v.text, std::wstring(L"我的浏览器") + L'\0');
    }
    EXPECT_EQ(recorder.setSizes, (std::vector<DWORD>{11, 11}));
}

TEST_F(MainWindowOnWindows, TheLogonNoticeIsSetAndClearedUnderTheMachineRoot) {
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton79);
    ASSERT_EQ(notices.size(), 1u);
    drv.dismissBox();
    EXPECT_EQ(readWide(HKEY_LOCAL_MACHINE, kWinlogon, L"LegalNoticeCaption").text,
              std::wstring(L"托尔万(Tolvane)") + L'\0');
    EXPECT_EQ(readWide(HKEY_LOCAL_MACHINE, kWinlogon, L"LegalNoticeText").text,
              std::wstring(L"我的电脑") + L'\0');
    drv.click(*form1.SpeedButton80);
    drv.dismissBox();
    EXPECT_EQ(readWide(HKEY_LOCAL_MACHINE, kWinlogon, L"LegalNoticeCaption").status,
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(readWide(HKEY_LOCAL_MACHINE, kWinlogon, L"LegalNoticeText").status,
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(notices.back(), "开机信息已清除！");
    EXPECT_EQ(recorder.closes, 2);
}

// `wine reg query` (the system's own tool) reads the value the program wrote.
TEST_F(MainWindowOnWindows, TheRegistryToolSeesTheWrittenTitle) {
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton77);
    drv.dismissBox();
    FILE* out = _popen(
        "reg query \"HKCU\\Software\\Microsoft\\Internet Explorer\\Main\" /v \"Window Title\"",
        "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, out)) text += buffer;
    _pclose(out);
    // The tool writes in the console's code page, which is 936 here as well.
    const auto utf8 = win32::fromCodePage(text, 936);
    ASSERT_TRUE(utf8) << text;
    EXPECT_NE(utf8->find("Window Title"), std::string::npos) << *utf8;
    EXPECT_NE(utf8->find("托尔万(Tolvane)"), std::string::npos) << *utf8;
}

TEST_F(MainWindowOnWindows, EachLauncherReachesWinExecWithItsExactCommandLineAndShowFlagNine) {
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel13);
    drv.click(*form1.Panel15);
    drv.click(*form1.Panel16);
    for (TSpeedButton* b :
         {form1.SpeedButton10, form1.SpeedButton11, form1.SpeedButton12, form1.SpeedButton13,
          form1.SpeedButton14, form1.SpeedButton15, form1.SpeedButton16})
        drv.click(*b);
    EXPECT_EQ(recorder.commands, (std::vector<std::string>{
                                     "rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL telephon.cpl",
                                     "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL access.cpl,,1",
                                     "rundll32.exe shell32.dll,Control_RunDLL intl.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0",
                                     "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl",
                                 }));
    EXPECT_EQ(recorder.showFlags, std::vector<UINT>(9, 9));
    EXPECT_TRUE(notices.empty());
}

TEST_F(MainWindowOnWindows, TheLogoOpensTheHomePageOwnedByTheMainWindow) {
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    host.setOwner([owner] { return static_cast<void*>(owner); });
    drv.click(*form1.Image12);
    ASSERT_EQ(recorder.opened, std::vector<std::string>{form1.Label3->caption()});
    EXPECT_EQ(recorder.owners, std::vector<HWND>{owner});
    EXPECT_EQ(recorder.verbAndRestNull, std::vector<bool>{true});
    EXPECT_EQ(recorder.openShow, std::vector<INT>{SW_SHOWNORMAL});
}

}  // namespace
}  // namespace tv
