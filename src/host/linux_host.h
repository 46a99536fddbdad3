#pragma once
// The host services of the Linux build: the registry is the file store of
// registry_store.h, applets and web addresses go through the launcher, and the cursor
// position comes from the window layer.

#include <functional>
#include <memory>
#include <string>

#include "host/host_services.h"
#include "host/launcher.h"
#include "host/registry_store.h"

namespace tv {

class LinuxHostServices : public HostServices {
  public:
    using CursorSource = std::function<ScreenPoint()>;

    // The store and launcher read their places from the environment.
    explicit LinuxHostServices(CursorSource cursor);
    LinuxHostServices(RegistryStore store, Launcher launcher, CursorSource cursor);
    // Keys remember the object that opened them.
    LinuxHostServices(const LinuxHostServices&) = delete;
    LinuxHostServices& operator=(const LinuxHostServices&) = delete;

    // A key that did not come from this object (or is null) makes writeString throw and
    // deleteValue return false. A damaged root file, a root lock held past the wait and
    // an untrusted folder make both raise an error naming the file or folder; opening a
    // key there still succeeds, as opening fails silently.
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;
    void writeString(RegistryKey& key, const std::string& valueName,
                     const std::string& text) override;
    bool deleteValue(RegistryKey& key, const std::string& valueName) override;

    // The show flag has no counterpart here and is ignored.
    void runCommand(const std::string& commandLine, int showFlag) override;
    void openAddress(const std::string& address) override;
    // (0, 0) when no cursor source was given.
    ScreenPoint cursorPos() override;

    RegistryStore& store() { return store_; }
    const Launcher& launcher() const { return launcher_; }

  private:
    // The error for a root that refuses every change.
    RegistryError refusal(StoreStatus status, RegistryRoot root) const;

    RegistryStore store_;
    Launcher launcher_;
    CursorSource cursor_;
};

}  // namespace tv
