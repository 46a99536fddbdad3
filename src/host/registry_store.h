#pragma once
// The registry store keeps each root in its own file (see registry_format.h for the
// text form) and applies every change as one locked read-modify-write:
//
//   open the root's folder and check that only its owner can change it (below)
//   lock "<root>.reg.lock" (flock, exclusive; mode 0600, so only the store's owner can
//     take it; a lock held for 2 s makes the change fail as Busy)
//   read and parse "<root>.reg" again, so a change made meanwhile by another process is
//     the base of ours and is never lost
//   write "<root>.reg.new", fsync it, rename it over "<root>.reg", fsync the folder
//   unlock
//
// Every file is reached through the folder opened and checked at the start, so the
// folder cannot be swapped for another one meanwhile. A crash at any point leaves either
// the old file or the new one, never a mixture. A file that does not parse is never
// written over: opening a key of that root still works, but every change is refused and
// the file stays as it is until someone repairs it by hand.
//
// The folders the store trusts: the machine folder must be a real folder (not a symbolic
// link) owned by root; the user's folder must belong to the user running the program
// (reached through symbolic links, as a linked ~/.config is common); one folder holding
// both roots (TOLVANE_REGISTRY_DIR) must belong to the user running the program. None may
// be writable by its group or by others, and a relative folder is never used. New files
// are 0600 for the user and 0644 for the machine; a rewritten file keeps its mode without
// the set-id, sticky and world-write bits.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/host_services.h"
#include "host/registry_format.h"

namespace tv {

// Where the two root files live.
struct RegistryDirectories {
    std::string currentUser;   // holds HKEY_CURRENT_USER.reg
    std::string localMachine;  // holds HKEY_LOCAL_MACHINE.reg
    // Who must own the machine folder: root, whose state it is. Tests that cannot create
    // root's folders give their own user.
    uid_t machineOwner = 0;

    // One folder holds both roots; it belongs to the user running the program.
    bool shared() const { return currentUser == localMachine; }

    // TOLVANE_REGISTRY_DIR (both roots) when set and non-empty, kept even when relative so
    // that the store refuses it by name rather than silently using another folder; otherwise
    // $XDG_CONFIG_HOME/tolvane (when absolute) or ~/.config/tolvane for the current user
    // and /var/lib/tolvane for the machine. Reads the environment once, here.
    static RegistryDirectories fromEnvironment();
    // The same rule with the variables given; an unset variable is an empty optional.
    // `home` falls back to the password database when missing; with no home at all the
    // current-user directory is empty and that root cannot be opened.
    static RegistryDirectories resolve(const std::optional<std::string>& registryDir,
                                       const std::optional<std::string>& xdgConfigHome,
                                       const std::optional<std::string>& home);
};

enum class StoreStatus {
    Ok,
    Missing,       // the key or value does not exist
    InvalidName,   // a key or value name the registry cannot hold
    Damaged,       // the root's file exists but does not parse; it is left untouched
    Unavailable,   // the directory or a file cannot be created, read or written
    Busy,          // another process held the root's lock for the whole wait; nothing changed
    UnsafeFolder,  // the folder is not one the store trusts (folderProblem says why)
    NotSynced,     // the change is stored, but the folder could not be synced to disk, so
                   // a power cut may still undo it
};

// The steps of a change at which a test may make the change fail, as a full disk or a
// crash would.
enum class StoreStep { WriteTemporary, SyncTemporary, Rename, SyncFolder };

class RegistryStore {
  public:
    // Returns false to make the step fail. Called under the lock.
    using FaultHook = std::function<bool(StoreStep)>;

    explicit RegistryStore(RegistryDirectories directories, FaultHook faultHook = {});

    const RegistryDirectories& directories() const { return dirs_; }
    const std::string& directory(RegistryRoot root) const;
    std::string filePath(RegistryRoot root) const;
    // Why the root's folder is not trusted, as a phrase ("it is a symbolic link"); empty
    // when it is, or when it does not exist yet.
    std::string folderProblem(RegistryRoot root) const;

    // Creates the directory and the key with the keys above it when missing. Ok when the
    // key exists afterwards and the root can be written. Damaged when the root can be
    // written but its file does not parse: the key could not be checked, and every change
    // will be refused. `canonicalPath` receives the key's path as spelled in the store.
    StoreStatus openKey(RegistryRoot root, std::string_view path,
                        std::string* canonicalPath = nullptr);
    // Sets a value's data (code page 936 bytes), creating the key again if it went
    // missing meanwhile. An existing value keeps its name's spelling.
    StoreStatus setValue(RegistryRoot root, std::string_view path, std::string_view name,
                         std::string_view data);
    StoreStatus deleteValue(RegistryRoot root, std::string_view path, std::string_view name);

    // Reading, without creating anything.
    StoreStatus readValue(RegistryRoot root, std::string_view path, std::string_view name,
                          std::string* data) const;
    // The whole root; an absent file is an empty document.
    StoreStatus load(RegistryRoot root, RegistryDocument* document) const;

  private:
    template <typename Change>
    StoreStatus change(RegistryRoot root, Change&& apply);

    RegistryDirectories dirs_;
    FaultHook faultHook_;
};

}  // namespace tv
