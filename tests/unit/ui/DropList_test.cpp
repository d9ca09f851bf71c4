#include "ui/DropList.h"

#include <gtest/gtest.h>

#include "support/native/AudioFixtures.h"

namespace {

// A DROPFILES header with the list at `offset`, then the list's bytes.
Bytes Block(uint32_t offset, bool wide, const Bytes& list) {
    return Bytes().Le(offset, 4).Le(0, 8).Le(0, 4).Le(wide ? 1 : 0, 4).Add(list);
}

Bytes WideText(const char* text) {
    Bytes b;
    for (; *text; ++text) b.Le(static_cast<uint8_t>(*text), 2);
    return b;
}

TEST(DropList, OnlyAListThatEndsInsideTheBlockIsRead) {
    const struct {
        const char* what;
        Bytes block;
        bool readable;
    } blocks[] = {
        {"two wide names", Block(20, true, WideText("C:\\a.wav").Le(0, 2).Add(WideText("b")).Le(0, 4)), true},
        {"ANSI names", Block(20, false, Bytes().Id("a.wa").Le(0, 1).Id("b.wa").Le(0, 2)), true},
        {"empty list", Block(20, true, Bytes().Le(0, 4)), true},
        {"list after a gap", Block(24, true, Bytes().Le(7, 4).Add(WideText("x")).Le(0, 4)), true},
        {"odd offset", Block(21, true, Bytes().Le(0, 1).Add(WideText("x")).Le(0, 4)), true},
        {"empty list of one zero", Block(20, true, Bytes().Le(0, 2)), false},
        {"last name without the list's end", Block(20, true, WideText("a.wav").Le(0, 2)), false},
        {"name without its zero", Block(20, true, WideText("a.wav")), false},
        {"half a wide zero at the end", Block(20, true, WideText("a").Le(0, 3)), false},
        {"offset past the end", Block(200, true, Bytes().Le(0, 4)), false},
        {"offset of -1", Block(0xFFFFFFFF, true, Bytes().Le(0, 4)), false},
        {"no list", Block(20, true, Bytes()), false},
        {"header cut short", Bytes().Le(20, 4).Le(0, 8), false},
    };
    for (const auto& b : blocks)
        EXPECT_EQ(DropListIsReadable(b.block.v.data(), b.block.v.size()), b.readable) << b.what;
    EXPECT_FALSE(DropListIsReadable(nullptr, 64));
}

}  // namespace
