#pragma once
// Message boxes answered at once; every box is kept for the test to check.
// A question (Yes/No or Yes/No/Cancel) is answered with yesNoAnswer, a box
// with OK only with IDOK.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell/MessageBox.h"

namespace testsupport {

struct ShownBox {
    std::string text;
    std::string title;
    uint32_t style = 0;
};

struct FakeMessageBoxes final : platform::shell::MessageBoxes {
    int yesNoAnswer = platform::shell::IDYES;
    std::vector<ShownBox> shown;

    int MessageBoxA(const std::string& text, const std::string& title, uint32_t style) override {
        shown.push_back({text, title, style});
        const uint32_t type = style & platform::shell::MB_TYPEMASK;
        const bool question =
            type == platform::shell::MB_YESNO || type == platform::shell::MB_YESNOCANCEL;
        return question ? yesNoAnswer : platform::shell::IDOK;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const ShownBox& box : shown) {
            all.push_back(box.text);
        }
        return all;
    }
};

}  // namespace testsupport
