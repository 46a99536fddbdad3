#pragma once
// The fuzz targets' entry functions. Each takes one input and returns what went wrong
// with it, or "" when the code under test behaved: a clean result or one of the errors it
// is allowed to raise. libFuzzer calls them through fuzz_main.cpp and aborts on a fault;
// the ordinary build replays the saved inputs through them in replay_test.cpp, so both
// builds judge an input by the same rules.

#include <cstdint>
#include <span>
#include <string>

namespace tv::fuzz {

using Input = std::span<const std::uint8_t>;

// parseRegistry for both roots; whatever parses must serialise and parse back to the very
// same document.
std::string registryInput(Input bytes);
// Every picture loader; only PictureError may escape, and a loaded picture is whole.
std::string pictureInput(Input bytes);
// LayoutDocument on the text, then apply on a headless form with the real pictures, then
// a full paint and a few presses, moves, keys and text at the middle and the corners;
// only LayoutError or PictureError may escape.
std::string layoutInput(Input bytes);

}  // namespace tv::fuzz
