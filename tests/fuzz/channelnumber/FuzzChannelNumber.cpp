// Any text typed into the channel box: the reader never crashes, and what it
// accepts reads back the same once written as plain digits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tuner/ChannelNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<int32_t> number = ParseChannelNumber(text);
    if (number) {
        std::optional<int32_t> again = ParseChannelNumber(std::to_string(*number));
        if (!again || *again != *number) {
            std::abort();
        }
    }
    return 0;
}
