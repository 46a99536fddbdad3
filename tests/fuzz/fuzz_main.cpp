// libFuzzer's entry: one executable per target, the target chosen at compile time.

#include <cstdio>
#include <cstdlib>

#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = tv::fuzz::TOLVANE_FUZZ_ENTRY(tv::fuzz::Input(data, size));
    if (!fault.empty()) {
        std::fprintf(stderr, "fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
