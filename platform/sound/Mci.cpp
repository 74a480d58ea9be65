#include "platform/sound/Mci.h"

#include <algorithm>
#include <cstring>

#include "platform/sound/MciErrors.h"
#include "platform/sound/SoundSetup.h"

namespace platform::sound {

uint32_t mciSendStringA(const char* command, char* ret, uint32_t retLen, win::HWND /*callback*/) {
    MciReply reply =
        command ? soundDriver().execute(command)
                : MciReply{kMciMissingCommandString, mciErrorText(kMciMissingCommandString)};
    if (ret && retLen > 0) {
        const std::size_t n = std::min<std::size_t>(reply.text.size(), retLen - 1);
        std::memcpy(ret, reply.text.data(), n);
        ret[n] = '\0';
    }
    return reply.code;
}

}  // namespace platform::sound
