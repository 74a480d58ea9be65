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
// back before the terminating NUL, with leading blanks removed.
std::string SendMciCommand(const std::string& command);

// The same with the return code, through a buffer of replyLength blanks.
// The recorder reads its replies through a long buffer: the reply of a
// failed save ends with the folder where the sound was kept, which 127
// characters could cut off.
MciReply SendMciCommandWithCode(const std::string& command, uint32_t replyLength = 128);

// Where the recorder's commands go: the real device, or a test's log.
class MciSender {
  public:
    virtual ~MciSender() = default;
    virtual MciReply send(const std::string& command) = 0;
    // Where the next "record" makes its file (beside the final one, so the
    // save is a rename), where a recording whose folder is deleted is saved
    // instead, and the journal that goes once a save that finishes in the
    // background is done. The sound layer's own setting, not a command.
    virtual void recordInto(const std::string& file, const std::string& keepFolder,
                            const std::string& journal) = 0;
    // Why the sound stopped being recorded, in the user's words, told once;
    // empty when nothing new went wrong.
    virtual std::string takeCaptureProblem() = 0;
};

// The real device, with replies of up to 4 KiB.
class SystemMci final : public MciSender {
  public:
    MciReply send(const std::string& command) override;
    void recordInto(const std::string& file, const std::string& keepFolder,
                    const std::string& journal) override;
    std::string takeCaptureProblem() override;
};

}  // namespace recording
