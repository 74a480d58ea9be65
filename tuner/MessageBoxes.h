#pragma once
// Modal message boxes as the tuner and the main window ask for them. The
// window shows real boxes; tests answer them and check what was asked.
#include <string>

enum class MsgButtons { Ok = 1, YesNo };
enum class MsgIcon { None = 1, Information };
enum class MsgAnswer { Ok = 1, Yes, No };

struct MsgRequest {
    std::string text;
    std::string title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultAnswer = MsgAnswer::Ok;
    MsgIcon icon = MsgIcon::None;
};

// The program's title, shown on boxes that name no title of their own.
inline constexpr const char* kProgramTitle = "Cuelark";

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Blocks until the user answers.
    virtual MsgAnswer show(const MsgRequest& request) = 0;
};
