#pragma once
// RecordingHost is a HostServices for behaviour tests: an in-memory registry that can be
// told to fail, a settable cursor, and a log of every call in the order it was made.
//
//   RecordingHost host;
//   host.failOpenKey(RegistryRoot::LocalMachine);
//   ... click the button ...
//   EXPECT_EQ(host.calls()[1].op, HostCall::Op::WriteString);
//   EXPECT_EQ(host.openKeyCount(), 0);  // every key closed again
//
// Keys that are destroyed without closeKey (for example while an exception unwinds)
// count as closed and are logged as CloseKey too, so a log shows when a key was released
// whichever way it happened.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host_services.h"

namespace tv {

struct HostCall {
    enum class Op {
        OpenKey,
        WriteString,
        DeleteValue,
        CloseKey,
        RunCommand,
        OpenAddress,
        CursorPos
    };

    Op op = Op::OpenKey;
    // Registry calls: the key's root and path as the caller passed them to openKey.
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::string path;
    std::string valueName;    // WriteString, DeleteValue
    std::string text;         // WriteString: the text as given (UTF-8)
    std::string data;         // WriteString: its code page 936 bytes (empty when refused)
    std::string commandLine;  // RunCommand
    int showFlag = 0;         // RunCommand
    std::string address;      // OpenAddress
    // OpenKey: a key was returned; WriteString: no error; DeleteValue: the result.
    bool succeeded = true;
};

// One line per call, for failure messages: "WriteString HKEY_CURRENT_USER\A "Name" = b1 ed".
std::string describe(const HostCall& call);

class RecordingHost : public HostServices {
  public:
    RecordingHost();
    ~RecordingHost() override;
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;
    // Stores the text's code page 936 bytes; throws RegistryError like the real host when
    // told to fail, when the text is outside code page 936 or the key is not one of ours.
    void writeString(RegistryKey& key, const std::string& valueName,
                     const std::string& text) override;
    bool deleteValue(RegistryKey& key, const std::string& valueName) override;
    void runCommand(const std::string& commandLine, int showFlag) override;
    void openAddress(const std::string& address) override;
    ScreenPoint cursorPos() override;

    // Switches.
    void failOpenKey(RegistryRoot root, bool fail = true);
    void failWrites(bool fail = true);                // every writeString
    void failWritesTo(const std::string& valueName);  // writeString of this value only
    void setCursorPos(ScreenPoint p);

    // What happened.
    const std::vector<HostCall>& calls() const;
    std::vector<HostCall> calls(HostCall::Op op) const;
    void clearCalls();
    int openKeyCount() const;  // keys handed out and not yet closed

    // The in-memory registry. Paths and names match without regard to letter case.
    bool keyExists(RegistryRoot root, const std::string& path) const;
    std::optional<std::string> value(RegistryRoot root, const std::string& path,
                                     const std::string& valueName) const;  // CP936 bytes
    // Puts a value in place without logging (the state before a test).
    void setValue(RegistryRoot root, const std::string& path, const std::string& valueName,
                  const std::string& cp936Data);

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace tv
