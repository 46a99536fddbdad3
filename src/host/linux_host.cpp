#include "host/linux_host.h"

#include <utility>

#include "host/codepage.h"

namespace tv {

namespace {

// A key handle remembers where it points; the store opens the file afresh for every
// change, so an open key holds no file or lock. A key opened on a root that refuses every
// change (a damaged file, a held lock, an untrusted folder) remembers why, and each write
// or delete through it raises that at once instead of trying again.
class StoreKey : public RegistryKey {
  public:
    StoreKey(const LinuxHostServices* owner, RegistryRoot root, std::string path,
             StoreStatus refusal)
        : owner_(owner), root_(root), path_(std::move(path)), refusal_(refusal) {}
    const LinuxHostServices* owner() const { return owner_; }
    RegistryRoot root() const { return root_; }
    const std::string& path() const { return path_; }
    StoreStatus refusal() const { return refusal_; }

  private:
    const LinuxHostServices* owner_;
    RegistryRoot root_;
    std::string path_;
    StoreStatus refusal_;
};

// A refusal of the whole root, which the user can act on, as opposed to a failed write.
bool refusesTheRoot(StoreStatus status) {
    return status == StoreStatus::Damaged || status == StoreStatus::Busy ||
           status == StoreStatus::UnsafeFolder;
}

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

RegistryError LinuxHostServices::refusal(StoreStatus status, RegistryRoot root) const {
    const std::string file = "'" + store_.filePath(root) + "'";
    switch (status) {
        case StoreStatus::Damaged:
            return RegistryError("The registry file " + file +
                                 " is damaged and was left untouched; repair or remove it");
        case StoreStatus::Busy:
            return RegistryError("The registry file " + file +
                                 " is locked by another process; nothing was changed");
        default: {
            std::string why = store_.folderProblem(root);
            if (why.empty()) why = "it changed while in use";
            return RegistryError("The registry folder '" + store_.directory(root) +
                                 "' is not used: " + why + "; nothing was changed");
        }
    }
}

std::unique_ptr<RegistryKey> LinuxHostServices::openKey(RegistryRoot root,
                                                        const std::string& path) {
    std::string canonical;
    const StoreStatus status = store_.openKey(root, path, &canonical);
    // A root that refuses every change still yields a key, as the registry would open
    // it: opening fails silently, so the reason is raised by the first change instead.
    // A key created but not synced to disk is there all the same.
    if (status != StoreStatus::Ok && status != StoreStatus::NotSynced && !refusesTheRoot(status))
        return nullptr;
    return std::make_unique<StoreKey>(this, root, std::move(canonical),
                                      refusesTheRoot(status) ? status : StoreStatus::Ok);
}

void LinuxHostServices::writeString(RegistryKey& key, const std::string& valueName,
                                    const std::string& text) {
    const StoreKey* k = ownKey(key, this);
    const std::optional<std::string> bytes = utf8ToCp936(text);
    if (!k || !bytes) throw RegistryError::failedToSet(valueName);
    if (k->refusal() != StoreStatus::Ok) throw refusal(k->refusal(), k->root());
    const StoreStatus status = store_.setValue(k->root(), k->path(), valueName, *bytes);
    if (status == StoreStatus::Ok) return;
    if (refusesTheRoot(status)) throw refusal(status, k->root());
    if (status == StoreStatus::NotSynced)
        throw RegistryError("The data for '" + valueName + "' was stored in '" +
                            store_.filePath(k->root()) +
                            "', but the folder could not be synced to disk; a power cut may "
                            "still undo the change");
    throw RegistryError::failedToSet(valueName);
}

bool LinuxHostServices::deleteValue(RegistryKey& key, const std::string& valueName) {
    const StoreKey* k = ownKey(key, this);
    if (!k) return false;
    if (k->refusal() != StoreStatus::Ok) throw refusal(k->refusal(), k->root());
    const StoreStatus status = store_.deleteValue(k->root(), k->path(), valueName);
    switch (status) {
        case StoreStatus::Ok:
            return true;
        case StoreStatus::Missing:
        case StoreStatus::InvalidName:  // no value can have such a name
            return false;
        case StoreStatus::NotSynced:
            throw RegistryError("The value '" + valueName + "' was deleted from '" +
                                store_.filePath(k->root()) +
                                "', but the folder could not be synced to disk; a power cut "
                                "may still undo the change");
        default:
            if (refusesTheRoot(status)) throw refusal(status, k->root());
            throw RegistryError::failedToDelete(valueName);
    }
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
