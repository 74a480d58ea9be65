#include "recording/SendMciCommand.h"

#include <algorithm>
#include <vector>

#include "platform/sound/Mci.h"
#include "platform/sound/SoundSetup.h"

namespace recording {

namespace {
constexpr uint32_t kLongReply = 4096;
}

MciReply SendMciCommandWithCode(const std::string& command, uint32_t replyLength) {
    std::vector<char> buffer(replyLength, ' ');
    MciReply reply;
    reply.code = platform::sound::mciSendStringA(command.c_str(), buffer.data(), replyLength, 0);
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    reply.text.assign(buffer.begin(), end);
    reply.text.erase(0, reply.text.find_first_not_of(' '));
    return reply;
}

std::string SendMciCommand(const std::string& command) {
    return SendMciCommandWithCode(command).text;
}

MciReply SystemMci::send(const std::string& command) {
    return SendMciCommandWithCode(command, kLongReply);
}

void SystemMci::recordInto(const std::string& file, const std::string& keepFolder,
                           const std::string& journal) {
    platform::sound::soundDriver().recordInto({file, keepFolder, journal});
}

std::string SystemMci::takeCaptureProblem() {
    return platform::sound::soundDriver().takeCaptureProblem();
}

}  // namespace recording
