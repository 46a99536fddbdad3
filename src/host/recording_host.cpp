#include "host/recording_host.h"

#include <algorithm>

#include "host/codepage.h"
#include "host/registry_format.h"

namespace tv {

struct RecordingHost::State {
    std::vector<HostCall> calls;
    RegistryDocument machine{RegistryRoot::LocalMachine, {}};
    RegistryDocument user{RegistryRoot::CurrentUser, {}};
    bool failOpenMachine = false;
    bool failOpenUser = false;
    bool failAllWrites = false;
    std::vector<std::string> failingValues;
    ScreenPoint cursor;
    int openKeys = 0;

    RegistryDocument& root(RegistryRoot r) {
        return r == RegistryRoot::LocalMachine ? machine : user;
    }
};

namespace {

class RecordingKey : public RegistryKey {
  public:
    RecordingKey(std::shared_ptr<RecordingHost::State> state, RegistryRoot root, std::string path)
        : state_(std::move(state)), root_(root), path_(std::move(path)) {
        ++state_->openKeys;
    }
    ~RecordingKey() override {
        --state_->openKeys;
        HostCall call;
        call.op = HostCall::Op::CloseKey;
        call.root = root_;
        call.path = path_;
        state_->calls.push_back(std::move(call));
    }
    RecordingKey(const RecordingKey&) = delete;
    RecordingKey& operator=(const RecordingKey&) = delete;

    const RecordingHost::State* state() const { return state_.get(); }
    RegistryRoot root() const { return root_; }
    const std::string& path() const { return path_; }

  private:
    std::shared_ptr<RecordingHost::State> state_;
    RegistryRoot root_;
    std::string path_;
};

std::string hexBytes(const std::string& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string keyName(const HostCall& call) {
    std::string out(registryRootName(call.root));
    if (!call.path.empty()) out += "\\" + call.path;
    return out;
}

}  // namespace

std::string describe(const HostCall& call) {
    const std::string failed = call.succeeded ? "" : " (failed)";
    switch (call.op) {
        case HostCall::Op::OpenKey:
            return "OpenKey " + keyName(call) + failed;
        case HostCall::Op::WriteString:
            return "WriteString " + keyName(call) + " \"" + call.valueName +
                   "\" = " + hexBytes(call.data) + failed;
        case HostCall::Op::DeleteValue:
            return "DeleteValue " + keyName(call) + " \"" + call.valueName + "\"" + failed;
        case HostCall::Op::CloseKey:
            return "CloseKey " + keyName(call);
        case HostCall::Op::RunCommand:
            return "RunCommand \"" + call.commandLine + "\" " + std::to_string(call.showFlag);
        case HostCall::Op::OpenAddress:
            return "OpenAddress " + call.address;
        case HostCall::Op::CursorPos:
            return "CursorPos";
    }
    return "?";
}

RecordingHost::RecordingHost() : state_(std::make_shared<State>()) {}

RecordingHost::~RecordingHost() = default;

std::unique_ptr<RegistryKey> RecordingHost::openKey(RegistryRoot root, const std::string& path) {
    HostCall call;
    call.op = HostCall::Op::OpenKey;
    call.root = root;
    call.path = path;
    const bool refused =
        root == RegistryRoot::LocalMachine ? state_->failOpenMachine : state_->failOpenUser;
    call.succeeded = !refused && splitKeyPath(path).has_value();
    state_->calls.push_back(call);
    if (!call.succeeded) return nullptr;
    if (!path.empty()) state_->root(root).ensureKey(path);
    return std::make_unique<RecordingKey>(state_, root, path);
}

void RecordingHost::writeString(RegistryKey& key, const std::string& valueName,
                                const std::string& text) {
    const auto* k = dynamic_cast<const RecordingKey*>(&key);
    HostCall call;
    call.op = HostCall::Op::WriteString;
    if (k) {
        call.root = k->root();
        call.path = k->path();
    }
    call.valueName = valueName;
    call.text = text;
    const std::optional<std::string> bytes = utf8ToCp936(text);
    if (bytes) call.data = *bytes;
    const bool named =
        std::any_of(state_->failingValues.begin(), state_->failingValues.end(),
                    [&](const std::string& n) { return registryNamesEqual(n, valueName); });
    call.succeeded = k && k->state() == state_.get() && bytes && !state_->failAllWrites && !named &&
                     isValidValueName(valueName);
    state_->calls.push_back(call);
    if (!call.succeeded) throw RegistryError::failedToSet(valueName);
    setValue(k->root(), k->path(), valueName, *bytes);
}

bool RecordingHost::deleteValue(RegistryKey& key, const std::string& valueName) {
    const auto* k = dynamic_cast<const RecordingKey*>(&key);
    HostCall call;
    call.op = HostCall::Op::DeleteValue;
    call.valueName = valueName;
    call.succeeded = false;
    if (k && k->state() == state_.get()) {
        call.root = k->root();
        call.path = k->path();
        if (RegistryKeyEntry* entry = state_->root(k->root()).findKey(k->path()))
            call.succeeded = entry->eraseValue(valueName);
    }
    state_->calls.push_back(std::move(call));
    return state_->calls.back().succeeded;
}

void RecordingHost::runCommand(const std::string& commandLine, int showFlag) {
    HostCall call;
    call.op = HostCall::Op::RunCommand;
    call.commandLine = commandLine;
    call.showFlag = showFlag;
    state_->calls.push_back(std::move(call));
}

void RecordingHost::openAddress(const std::string& address) {
    HostCall call;
    call.op = HostCall::Op::OpenAddress;
    call.address = address;
    state_->calls.push_back(std::move(call));
}

ScreenPoint RecordingHost::cursorPos() {
    HostCall call;
    call.op = HostCall::Op::CursorPos;
    state_->calls.push_back(std::move(call));
    return state_->cursor;
}

void RecordingHost::failOpenKey(RegistryRoot root, bool fail) {
    (root == RegistryRoot::LocalMachine ? state_->failOpenMachine : state_->failOpenUser) = fail;
}

void RecordingHost::failWrites(bool fail) {
    state_->failAllWrites = fail;
}

void RecordingHost::failWritesTo(const std::string& valueName) {
    state_->failingValues.push_back(valueName);
}

void RecordingHost::setCursorPos(ScreenPoint p) {
    state_->cursor = p;
}

const std::vector<HostCall>& RecordingHost::calls() const {
    return state_->calls;
}

std::vector<HostCall> RecordingHost::calls(HostCall::Op op) const {
    std::vector<HostCall> out;
    for (const HostCall& c : state_->calls) {
        if (c.op == op) out.push_back(c);
    }
    return out;
}

void RecordingHost::clearCalls() {
    state_->calls.clear();
}

int RecordingHost::openKeyCount() const {
    return state_->openKeys;
}

bool RecordingHost::keyExists(RegistryRoot root, const std::string& path) const {
    return path.empty() || state_->root(root).findKey(path) != nullptr;
}

std::optional<std::string> RecordingHost::value(RegistryRoot root, const std::string& path,
                                                const std::string& valueName) const {
    const RegistryKeyEntry* key = state_->root(root).findKey(path);
    const RegistryValue* v = key ? key->findValue(valueName) : nullptr;
    if (!v) return std::nullopt;
    return v->data;
}

void RecordingHost::setValue(RegistryRoot root, const std::string& path,
                             const std::string& valueName, const std::string& cp936Data) {
    state_->root(root).ensureKey(path).setValue(valueName, cp936Data);
}

}  // namespace tv
