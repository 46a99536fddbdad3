#pragma once
// Every notice of the program in one place, and NoticeBox, which shows one of them
// captioned with the product's name.

#include <array>
#include <string_view>

namespace tv {

class TApplication;

inline constexpr std::string_view ProductTitle = "托尔万(Tolvane)";

namespace notice {
inline constexpr std::string_view IeTitleSet = "IE标题设置成功！";
inline constexpr std::string_view IeTitleCleared = "IE标题已清除！";
inline constexpr std::string_view LogonSet = "开机信息设置成功！";
inline constexpr std::string_view LogonCleared = "开机信息已清除！";
inline constexpr std::string_view ChooseRepair = "请选择要修复的内容！";
inline constexpr std::string_view RepairDone = "IE修复成功，请启动IE刷新！";
inline constexpr std::string_view ChooseScan = "请选择要扫描的内容！";
inline constexpr std::string_view ChooseKill = "请选择要查杀的内容！";
inline constexpr std::string_view DiskScanDone = "扫描硬盘结束！";
inline constexpr std::string_view NetScanDone = "扫描网络结束！";
inline constexpr std::string_view DiskKillDone = "硬盘查杀结束！";
inline constexpr std::string_view NetKillDone = "网络查杀结束！";
inline constexpr std::string_view IeRefreshed = "IE刷新成功！";
inline constexpr std::string_view ProxySet = "代理服务器设置成功！";
inline constexpr std::string_view SecuritySet = "安全设置已成功！";
}  // namespace notice

inline constexpr std::array<std::string_view, 15> kAllNotices = {
    notice::IeTitleSet,   notice::IeTitleCleared, notice::LogonSet,     notice::LogonCleared,
    notice::ChooseRepair, notice::RepairDone,     notice::ChooseScan,   notice::ChooseKill,
    notice::DiskScanDone, notice::NetScanDone,    notice::DiskKillDone, notice::NetKillDone,
    notice::IeRefreshed,  notice::ProxySet,       notice::SecuritySet,
};

// Shows the text in the application's message box with ProductTitle as its caption and
// one OK button, with the top-most windows moved out of its way; returns when dismissed.
void NoticeBox(TApplication& app, std::string_view text);

}  // namespace tv

namespace tv {
// The product's home page, shown on the bottom bar and in the About dialog and opened by
// the logo. The reserved .example domain: no third party can ever own it.
inline constexpr std::string_view HomePage = "http://tolvane.example/";
}  // namespace tv
