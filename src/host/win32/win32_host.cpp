#include "host/win32/win32_host.h"

#include <utility>

#include "gfx/win32/win32_text.h"
#include "host/codepage.h"
#include "host/win32/win32_host_calls.h"

#include <shellapi.h>

namespace tv {

Win32HostCalls Win32HostCalls::system() {
    Win32HostCalls c;
    c.regCreateKeyExA = ::RegCreateKeyExA;
    c.regSetValueExA = ::RegSetValueExA;
    c.regDeleteValueA = ::RegDeleteValueA;
    c.regCloseKey = ::RegCloseKey;
    c.winExec = ::WinExec;
    c.shellExecuteA = ::ShellExecuteA;
    c.getCursorPos = ::GetCursorPos;
    c.getACP = ::GetACP;
    return c;
}

namespace {

// An open key. It closes itself when destroyed, so a key is released on every path, also
// when writeString's error unwinds the handler that opened it.
class Win32Key : public RegistryKey {
  public:
    Win32Key(const Win32HostServices* owner, const Win32HostCalls& calls, HKEY key)
        : owner_(owner), calls_(calls), key_(key) {}
    ~Win32Key() override { calls_.regCloseKey(key_); }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    const Win32HostServices* owner() const { return owner_; }
    HKEY handle() const { return key_; }

  private:
    const Win32HostServices* owner_;
    const Win32HostCalls& calls_;
    HKEY key_;
};

HKEY rootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

const Win32Key* ownKey(const RegistryKey& key, const Win32HostServices* owner) {
    const auto* k = dynamic_cast<const Win32Key*>(&key);
    return k && k->owner() == owner ? k : nullptr;
}

}  // namespace

Win32HostServices::Win32HostServices() : Win32HostServices(Win32HostCalls::system()) {}

Win32HostServices::Win32HostServices(const Win32HostCalls& calls)
    : calls_(std::make_unique<Win32HostCalls>(calls)) {
    // Members a test left empty are the system's own.
    const Win32HostCalls real = Win32HostCalls::system();
    if (!calls_->regCreateKeyExA) calls_->regCreateKeyExA = real.regCreateKeyExA;
    if (!calls_->regSetValueExA) calls_->regSetValueExA = real.regSetValueExA;
    if (!calls_->regDeleteValueA) calls_->regDeleteValueA = real.regDeleteValueA;
    if (!calls_->regCloseKey) calls_->regCloseKey = real.regCloseKey;
    if (!calls_->winExec) calls_->winExec = real.winExec;
    if (!calls_->shellExecuteA) calls_->shellExecuteA = real.shellExecuteA;
    if (!calls_->getCursorPos) calls_->getCursorPos = real.getCursorPos;
    if (!calls_->getACP) calls_->getACP = real.getACP;
}

std::optional<std::string> Win32HostServices::ansi(const std::string& utf8) const {
    std::optional<std::string> bytes = utf8ToCp936(utf8);
    // The ANSI functions stop at the first zero byte: the rest would be lost.
    if (!bytes || bytes->find('\0') != std::string::npos) return std::nullopt;
    // On a system that reads ANSI texts in another code page the bytes would turn into
    // other characters; only what reads back the same there (plain ASCII) may pass.
    const unsigned acp = calls_->getACP();
    if (acp != win32::kCodePage936) {
        const std::optional<std::string> there = win32::fromCodePage(*bytes, acp);
        if (!there || *there != utf8) return std::nullopt;
    }
    return bytes;
}

Win32HostServices::~Win32HostServices() = default;

std::unique_ptr<RegistryKey> Win32HostServices::openKey(RegistryRoot root,
                                                        const std::string& path) {
    const std::optional<std::string> ansiPath = ansi(path);
    if (!ansiPath) return nullptr;
    HKEY key = nullptr;
    if (calls_->regCreateKeyExA(rootHandle(root), ansiPath->c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32Key>(this, *calls_, key);
}

void Win32HostServices::writeString(RegistryKey& key, const std::string& valueName,
                                    const std::string& text) {
    const Win32Key* k = ownKey(key, this);
    const std::optional<std::string> name = ansi(valueName);
    const std::optional<std::string> data = ansi(text);
    if (!k || !name || !data || data->size() >= MAXDWORD)
        throw RegistryError::failedToSet(valueName);
    // REG_SZ with its terminating zero counted: length + 1 bytes.
    if (calls_->regSetValueExA(k->handle(), name->c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data->c_str()),
                               DWORD(data->size() + 1)) != ERROR_SUCCESS) {
        throw RegistryError::failedToSet(valueName);
    }
}

bool Win32HostServices::deleteValue(RegistryKey& key, const std::string& valueName) {
    const Win32Key* k = ownKey(key, this);
    const std::optional<std::string> name = ansi(valueName);
    if (!k || !name) return false;  // no value can have a name outside the code page
    switch (calls_->regDeleteValueA(k->handle(), name->c_str())) {
        case ERROR_SUCCESS:
            return true;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_KEY_DELETED:  // the key went, and its values with it
            return false;
        default:
            throw RegistryError::failedToDelete(valueName);
    }
}

void Win32HostServices::runCommand(const std::string& commandLine, int showFlag) {
    const std::optional<std::string> line = ansi(commandLine);
    if (!line) return;
    calls_->winExec(line->c_str(), UINT(showFlag));
}

void Win32HostServices::openAddress(const std::string& address) {
    const std::optional<std::string> target = ansi(address);
    if (!target) return;
    HWND owner = owner_ ? static_cast<HWND>(owner_()) : nullptr;
    calls_->shellExecuteA(owner, nullptr, target->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

ScreenPoint Win32HostServices::cursorPos() {
    POINT p{};
    if (!calls_->getCursorPos(&p)) return {};
    return {int(p.x), int(p.y)};
}

}  // namespace tv
