#include "recording/SendMciCommand.h"

#include <algorithm>
#include <array>

#include "platform/sound/Mci.h"

namespace recording {

namespace {
constexpr uint32_t kReplyLength = 128;
}

MciReply SendMciCommandWithCode(const std::string& command) {
    std::array<char, kReplyLength> buffer{};
    buffer.fill(' ');
    MciReply reply;
    reply.code = platform::sound::mciSendStringA(command.c_str(), buffer.data(), kReplyLength, 0);
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    reply.text.assign(buffer.begin(), end);
    reply.text.erase(0, reply.text.find_first_not_of(' '));
    return reply;
}

MciReply SystemMci::send(const std::string& command) {
    return SendMciCommandWithCode(command);
}

std::string SendMciCommand(const std::string& command) {
    return SendMciCommandWithCode(command).text;
}

}  // namespace recording
