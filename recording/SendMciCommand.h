#pragma once
// One command to the sound device, with its reply.
#include <cstdint>
#include <string>

namespace recording {

struct MciReply {
    uint32_t code = 0;  // 0: success; otherwise the device's error code
    std::string text;   // the reply, or the error's description
};

// Sends the command with a reply buffer of 128 blanks and returns what came
// back before the terminating NUL, leading blanks removed, with the code.
MciReply SendMciCommandWithCode(const std::string& command);
// The same, the reply text only.
std::string SendMciCommand(const std::string& command);

// Where the recorder's commands go: the real device, or a test's log.
class MciSender {
  public:
    virtual ~MciSender() = default;
    virtual MciReply send(const std::string& command) = 0;
};

// Sends through SendMciCommandWithCode.
class SystemMci final : public MciSender {
  public:
    MciReply send(const std::string& command) override;
};

}  // namespace recording
