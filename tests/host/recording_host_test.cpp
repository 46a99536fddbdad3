#include "host/recording_host.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

using Op = HostCall::Op;
const std::string kWinlogon = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";

TEST(RecordingHost, LogsEveryCallInOrder) {
    RecordingHost host;
    host.setCursorPos({-5, 7});
    auto key = host.openKey(RegistryRoot::LocalMachine, kWinlogon);
    ASSERT_TRUE(key);
    host.writeString(*key, "LegalNoticeCaption", "托尔万(Tolvane)");
    EXPECT_FALSE(host.deleteValue(*key, "LegalNoticeText"));
    host.closeKey(std::move(key));
    host.runCommand("rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0", 9);
    host.openAddress("https://tolvane.example/");
    EXPECT_EQ(host.cursorPos(), (ScreenPoint{-5, 7}));

    const auto& calls = host.calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(describe(calls[0]),
              "OpenKey HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon");
    EXPECT_EQ(calls[1].op, Op::WriteString);
    EXPECT_EQ(calls[1].path, kWinlogon);
    EXPECT_EQ(calls[1].valueName, "LegalNoticeCaption");
    EXPECT_EQ(calls[1].data, "\xCD\xD0\xB6\xFB\xCD\xF2(Tolvane)");
    EXPECT_EQ(calls[2].op, Op::DeleteValue);
    EXPECT_FALSE(calls[2].succeeded);
    EXPECT_EQ(calls[3].op, Op::CloseKey);
    EXPECT_EQ(calls[3].root, RegistryRoot::LocalMachine);
    EXPECT_EQ(describe(calls[4]),
              "RunCommand \"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0\" 9");
    EXPECT_EQ(describe(calls[5]), "OpenAddress https://tolvane.example/");
    EXPECT_EQ(calls[6].op, Op::CursorPos);
    EXPECT_EQ(host.calls(Op::WriteString).size(), 1u);
    EXPECT_EQ(host.openKeyCount(), 0);
}

TEST(RecordingHost, KeepsAnInMemoryRegistry) {
    RecordingHost host;
    auto key = host.openKey(RegistryRoot::CurrentUser, "A\\B");
    EXPECT_TRUE(host.keyExists(RegistryRoot::CurrentUser, "a"));
    EXPECT_FALSE(host.keyExists(RegistryRoot::LocalMachine, "A"));
    host.writeString(*key, "Name", "");
    host.writeString(*key, "NAME", "我的电脑");
    EXPECT_EQ(host.value(RegistryRoot::CurrentUser, "a\\b", "name"),
              "\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4");
    EXPECT_TRUE(host.deleteValue(*key, "nAmE"));
    EXPECT_EQ(host.value(RegistryRoot::CurrentUser, "A\\B", "Name"), std::nullopt);
    host.setValue(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeText", "x");
    EXPECT_TRUE(host.keyExists(RegistryRoot::LocalMachine, "Software\\Microsoft"));
}

TEST(RecordingHost, FailsOnRequest) {
    RecordingHost host;
    host.failOpenKey(RegistryRoot::LocalMachine);
    EXPECT_EQ(host.openKey(RegistryRoot::LocalMachine, kWinlogon), nullptr);
    EXPECT_FALSE(host.calls().back().succeeded);
    EXPECT_FALSE(host.keyExists(RegistryRoot::LocalMachine, kWinlogon));

    host.failWritesTo("LegalNoticeText");
    {
        auto key = host.openKey(RegistryRoot::CurrentUser, kWinlogon);
        host.writeString(*key, "LegalNoticeCaption", "标题");
        try {
            host.writeString(*key, "legalnoticetext", "文本");
            FAIL() << "no error";
        } catch (const RegistryError& e) {
            EXPECT_STREQ(e.what(), "Failed to set data for 'legalnoticetext'");
        }
        EXPECT_EQ(host.openKeyCount(), 1);
        // Dropped while the error unwinds a caller: still counted and logged as closed.
    }
    EXPECT_EQ(host.openKeyCount(), 0);
    EXPECT_EQ(host.calls().back().op, Op::CloseKey);
    EXPECT_EQ(host.value(RegistryRoot::CurrentUser, kWinlogon, "LegalNoticeCaption"),
              "\xB1\xEA\xCC\xE2");
    EXPECT_EQ(host.value(RegistryRoot::CurrentUser, kWinlogon, "LegalNoticeText"), std::nullopt);

    host.failWrites();
    auto key = host.openKey(RegistryRoot::CurrentUser, kWinlogon);
    EXPECT_THROW(host.writeString(*key, "Other", "x"), RegistryError);
    host.failWrites(false);
    EXPECT_THROW(host.writeString(*key, "Other", "😀"), RegistryError);
    EXPECT_FALSE(host.calls().back().succeeded);
    EXPECT_EQ(host.calls().back().text, "😀");
    host.writeString(*key, "Other", "ok");
    EXPECT_TRUE(host.calls().back().succeeded);
}

TEST(RecordingHost, KeysFromAnotherHostAreRefused) {
    RecordingHost a;
    RecordingHost b;
    auto key = a.openKey(RegistryRoot::CurrentUser, "X");
    EXPECT_THROW(b.writeString(*key, "v", "1"), RegistryError);
    EXPECT_FALSE(b.deleteValue(*key, "v"));
    EXPECT_FALSE(b.value(RegistryRoot::CurrentUser, "X", "v"));
}

}  // namespace
}  // namespace tv
