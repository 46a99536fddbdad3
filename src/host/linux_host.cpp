#include "host/linux_host.h"

#include <utility>

#include "host/codepage.h"

namespace tv {

namespace {

// A key handle remembers where it points; the store opens the file afresh for every
// change, so an open key holds no file or lock.
class StoreKey : public RegistryKey {
  public:
    StoreKey(const LinuxHostServices* owner, RegistryRoot root, std::string path)
        : owner_(owner), root_(root), path_(std::move(path)) {}
    const LinuxHostServices* owner() const { return owner_; }
    RegistryRoot root() const { return root_; }
    const std::string& path() const { return path_; }

  private:
    const LinuxHostServices* owner_;
    RegistryRoot root_;
    std::string path_;
};

const StoreKey* ownKey(const RegistryKey& key, const LinuxHostServices* owner) {
    const auto* k = dynamic_cast<const StoreKey*>(&key);
    return k && k->owner() == owner ? k : nullptr;
}

}  // namespace

LinuxHostServices::LinuxHostServices(CursorSource cursor)
    : LinuxHostServices(RegistryStore(RegistryDirectories::fromEnvironment()),
                        Launcher(LaunchEnvironment::fromProcess()), std::move(cursor)) {}

LinuxHostServices::LinuxHostServices(RegistryStore store, Launcher launcher, CursorSource cursor)
    : store_(std::move(store)), launcher_(std::move(launcher)), cursor_(std::move(cursor)) {}

std::unique_ptr<RegistryKey> LinuxHostServices::openKey(RegistryRoot root,
                                                        const std::string& path) {
    std::string canonical;
    const StoreStatus status = store_.openKey(root, path, &canonical);
    // A damaged file still yields a key, as the registry would open it; the changes made
    // through it are refused so the file is not overwritten.
    if (status != StoreStatus::Ok && status != StoreStatus::Damaged) return nullptr;
    return std::make_unique<StoreKey>(this, root, std::move(canonical));
}

void LinuxHostServices::writeString(RegistryKey& key, const std::string& valueName,
                                    const std::string& text) {
    const StoreKey* k = ownKey(key, this);
    const std::optional<std::string> bytes = utf8ToCp936(text);
    if (!k || !bytes || store_.setValue(k->root(), k->path(), valueName, *bytes) != StoreStatus::Ok)
        throw RegistryError::failedToSet(valueName);
}

bool LinuxHostServices::deleteValue(RegistryKey& key, const std::string& valueName) {
    const StoreKey* k = ownKey(key, this);
    return k && store_.deleteValue(k->root(), k->path(), valueName) == StoreStatus::Ok;
}

void LinuxHostServices::runCommand(const std::string& commandLine, int /*showFlag*/) {
    launcher_.runCommand(commandLine);
}

void LinuxHostServices::openAddress(const std::string& address) {
    launcher_.openAddress(address);
}

ScreenPoint LinuxHostServices::cursorPos() {
    return cursor_ ? cursor_() : ScreenPoint{};
}

}  // namespace tv
