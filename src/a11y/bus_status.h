#pragma once
// Whether assistive technology on this session wants the program's accessibility tree.

namespace tv::a11y {

enum class BusStatus {
    NoBus,     // no session bus to ask
    Disabled,  // IsEnabled is false, or no accessibility bus runs to answer
    Enabled,
    Unknown,  // the bus did not answer in time, or answered what we cannot read
};

// Asks the session bus at `sessionBusAddress` (a D-Bus address list) for the
// org.a11y.Status IsEnabled property of org.a11y.Bus, without starting that service,
// waiting at most `timeoutMs`.
BusStatus accessibilityBusStatus(const char* sessionBusAddress, int timeoutMs);

}  // namespace tv::a11y
