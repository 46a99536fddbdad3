// What the X11 backend does with text without a display: keys and modifier bits, text
// split into events at character boundaries, and the Latin-1 of STRING selections.

#include <gtest/gtest.h>

#include <string>

#include "platform/x11/backend.h"

#include <X11/keysym.h>

namespace tv::platform::x11 {
namespace {

TEST(X11Keys, SymbolsAndModifierBitsBecomeOurs) {
    struct Row {
        KeySym sym;
        Key key;
    };
    const Row rows[] = {
        {XK_Return, Key::Return},
        {XK_KP_Enter, Key::Return},
        {XK_ISO_Left_Tab, Key::Tab},
        {XK_KP_Delete, Key::Delete},
        {XK_KP_Home, Key::Home},
        {XK_Prior, Key::PageUp},
        {XK_A, Key::A},
        {XK_v, Key::V},
        {XK_F4, Key::F4},
        {XK_F5, Key::Other},
        {XK_b, Key::Other},
    };
    for (const Row& r : rows) EXPECT_EQ(translateKey(r.sym), r.key) << r.sym;
    EXPECT_EQ(shiftState(ShiftMask | Mod1Mask | ControlMask), std::uint16_t(kShift | kAlt | kCtrl));
    // Button 2 is the middle button, button 3 the right one.
    EXPECT_EQ(shiftState(Button2Mask), kMiddleButton);
    EXPECT_EQ(shiftState(Button3Mask | Button1Mask), std::uint16_t(kRightButton | kLeftButton));
    EXPECT_EQ(shiftState(Mod2Mask | LockMask), 0);  // Num Lock and Caps Lock are no shift
}

// A commit longer than one event holds is split where characters begin, never inside one.
TEST(X11Text, LongTextIsSplitAtCharacterBoundaries) {
    struct Row {
        std::string text;
        int events;
    };
    const Row rows[] = {
        {"abc", 1},
        {std::string(31, 'x'), 1},
        {std::string(32, 'x'), 2},
        {"你好你好你好你好你好", 1},                           // 30 bytes
        {"你好你好你好你好你好你", 2},                         // 33 bytes: 30 + 3
        {"a你好你好你好你好你好你好你好你好你好你好你好", 3},  // 1 + 66 bytes: 31, 30, 6
        {"😀😀😀😀😀😀😀😀x", 2},                                      // 28 + 5
    };
    for (const auto& [text, count] : rows) {
        EventQueue queue;
        pushText(queue, EventType::TextInput, 7, text.data(), text.size());
        std::string joined;
        Event e;
        int events = 0;
        while (queue.pop(e)) {
            ++events;
            EXPECT_EQ(e.type, EventType::TextInput);
            EXPECT_EQ(e.window, 7u);
            const std::string part(e.text);
            EXPECT_LE(part.size(), sizeof e.text - 1);
            // Each part is whole characters: it never ends on a lead or middle byte.
            if (!part.empty()) {
                const auto last = static_cast<unsigned char>(part.back());
                EXPECT_TRUE(last < 0x80 || (last & 0xC0) == 0x80) << text;
            }
            joined += part;
        }
        EXPECT_EQ(joined, text);
        EXPECT_EQ(events, count) << text;
    }
}

TEST(X11Text, TheFirstCharacterOfTypedText) {
    EXPECT_EQ(firstCharacter("a", 1), U'a');
    EXPECT_EQ(firstCharacter("你", 3), U'你');
    EXPECT_EQ(firstCharacter("\r", 1), 0u);  // Return types no character
    EXPECT_EQ(firstCharacter("\x7f", 1), 0u);
    EXPECT_EQ(firstCharacter("", 0), 0u);
}

TEST(X11Text, StringSelectionsAreLatin1) {
    EXPECT_EQ(toLatin1("café ÿ"), std::optional<std::string>("caf\xE9 \xFF"));
    EXPECT_EQ(toLatin1("你好"), std::nullopt);  // refused rather than mangled
    EXPECT_EQ(toLatin1("€"), std::nullopt);
    EXPECT_EQ(fromLatin1("caf\xE9 \xFF"), "café ÿ");
}

TEST(X11Events, TheRingKeepsTheNewestWhenFull) {
    EventQueue queue;
    for (int i = 0; i < 70; ++i) queue.push().wheel = i;
    Event e;
    ASSERT_TRUE(queue.pop(e));
    EXPECT_EQ(e.wheel, 6);
    int last = e.wheel;
    while (queue.pop(e)) last = e.wheel;
    EXPECT_EQ(last, 69);
}

}  // namespace
}  // namespace tv::platform::x11
