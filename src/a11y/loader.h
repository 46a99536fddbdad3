#pragma once
// Starting accessibility from the program. The ATK bridge and the libraries under it
// (GLib, ATK, D-Bus) live in a module of their own, loaded only when the session's
// accessibility bus says assistive technology wants it: a program no one listens to
// loads none of them.

#include <memory>
#include <string>

namespace tv {
class TApplication;
}

namespace tv::a11y {

class Bridge {
  public:
    virtual ~Bridge() = default;
};

// Call after the first frame, with the program's own path (the module is looked for in
// ../lib/tolvane beside it, then beside it). Null when accessibility is not wanted or
// cannot start; keep what it returns alive until the loop has ended, and let it go
// before the forms.
std::unique_ptr<Bridge> startBridgeIfWanted(TApplication& app, const std::string& executable);

}  // namespace tv::a11y
