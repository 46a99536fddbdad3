#pragma once
// HostServices is the one way the program reaches the operating system: the registry,
// launching a command line, opening a web address and reading the cursor position.
// Texts cross this interface as UTF-8; an implementation converts them to code page 936
// where the system side is 8-bit.

#include <memory>
#include <stdexcept>
#include <string>

namespace tv {

enum class RegistryRoot { LocalMachine, CurrentUser };

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(ScreenPoint, ScreenPoint) = default;
};

// An open registry key. Closing it (closeKey or destruction) releases what was opened.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
};

// The error writeString and deleteValue raise. Its message is "Failed to set data for
// '<value name>'" for a value that could not be stored; a host whose store can fail in
// ways the user can repair says what went wrong instead.
class RegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;

    // The error for a value that could not be stored.
    static RegistryError failedToSet(const std::string& valueName) {
        return RegistryError("Failed to set data for '" + valueName + "'");
    }
    // The error for a value that exists but could not be deleted.
    static RegistryError failedToDelete(const std::string& valueName) {
        return RegistryError("Failed to delete value '" + valueName + "'");
    }
};

class HostServices {
  public:
    virtual ~HostServices() = default;

    // Opens the key, creating it and the keys above it when missing. Null on failure;
    // nothing is shown.
    virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) = 0;
    // Stores a string value (REG_SZ). Throws RegistryError on failure.
    virtual void writeString(RegistryKey& key, const std::string& valueName,
                             const std::string& text) = 0;
    // Deletes a value; false when it does not exist (nothing is shown). Throws
    // RegistryError when the value may exist but the store refuses the change, so a
    // refusal never passes for a value that was not there.
    virtual bool deleteValue(RegistryKey& key, const std::string& valueName) = 0;
    // Every key releases what it opened when it is destroyed.
    virtual void closeKey(std::unique_ptr<RegistryKey> key) { key.reset(); }

    // Starts a command line; nothing is reported.
    virtual void runCommand(const std::string& commandLine, int showFlag) = 0;
    // Opens a web address with the system's default action; nothing is reported.
    virtual void openAddress(const std::string& address) = 0;
    // The pointer position in screen pixels.
    virtual ScreenPoint cursorPos() = 0;
};

}  // namespace tv
