#pragma once
// The host services of the Windows build: each operation is one call of the system's ANSI
// entry point, with every text converted to code page 936 first.
//
//   openKey      RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, ...)
//   writeString  RegSetValueExA(key, name, 0, REG_SZ, text, length + 1)
//   deleteValue  RegDeleteValueA(key, name)
//   closeKey     RegCloseKey(key)
//   runCommand   WinExec(commandLine, showFlag)
//   openAddress  ShellExecuteA(owner, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL)
//   cursorPos    GetCursorPos
//
// A text that code page 936 cannot carry exactly never reaches the system: openKey fails,
// writeString raises "Failed to set data for '<name>'", deleteValue returns false, and a
// command line or address is not started. The same holds on a system whose ANSI code page
// is not 936, for every text that would read back as other characters there (anything
// but plain ASCII): refused rather than stored mangled. The system calls go through
// Win32HostCalls (win32_host_calls.h), so tests can record what reaches them.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/host_services.h"

namespace tv {

struct Win32HostCalls;

class Win32HostServices : public HostServices {
  public:
    // The window that owns what openAddress opens (an HWND); null: none.
    using OwnerSource = std::function<void*()>;

    Win32HostServices();  // the system's own functions
    explicit Win32HostServices(const Win32HostCalls& calls);
    ~Win32HostServices() override;
    Win32HostServices(const Win32HostServices&) = delete;
    Win32HostServices& operator=(const Win32HostServices&) = delete;

    void setOwner(OwnerSource owner) { owner_ = std::move(owner); }

    // A key that did not come from this object makes writeString throw and deleteValue
    // return false. deleteValue returns false for a value that is not there and raises
    // "Failed to delete value '<name>'" when the system refuses to delete it. Keys close when
    // destroyed, also while an exception unwinds.
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;
    void writeString(RegistryKey& key, const std::string& valueName,
                     const std::string& text) override;
    bool deleteValue(RegistryKey& key, const std::string& valueName) override;

    void runCommand(const std::string& commandLine, int showFlag) override;
    void openAddress(const std::string& address) override;
    ScreenPoint cursorPos() override;

  private:
    // The code page 936 bytes of a text, when the ANSI functions will read them as that
    // very text.
    std::optional<std::string> ansi(const std::string& utf8) const;

    std::unique_ptr<Win32HostCalls> calls_;
    OwnerSource owner_;
};

}  // namespace tv
