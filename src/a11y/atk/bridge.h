#pragma once
// The accessibility model over AT-SPI on Linux, through ATK objects and the ATK bridge.
// Nothing is loaded or done unless the session's accessibility bus says assistive
// technology wants it; the GLib main context the bridge talks through is then driven from
// the program's own wait.

#include <memory>

namespace tv {
class TApplication;
}

namespace tv::a11y {

class Bridge {
  public:
    virtual ~Bridge() = default;
};

// Call after the first frame. Reads org.a11y.Status.IsEnabled on the session bus and,
// when it is set, starts the bridge; null when it is not wanted (or there is no session
// bus, or NO_AT_BRIDGE=1). Keep what it returns alive until the forms are gone.
std::unique_ptr<Bridge> startAtkBridgeIfWanted(TApplication& app);

}  // namespace tv::a11y
