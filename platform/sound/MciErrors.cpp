#include "platform/sound/MciErrors.h"

#include <algorithm>
#include <cstring>

namespace platform::sound {

std::string mciErrorText(uint32_t code) {
    switch (code) {
        case kMciOk:
            return "The specified command was carried out.";
        case kMciUnrecognizedKeyword:
            return "The driver cannot recognize the specified command parameter.";
        case kMciUnrecognizedCommand:
            return "The driver cannot recognize the specified command.";
        case kMciHardware:
            return "There is a problem with your media device.";
        case kMciInvalidDeviceName:
            return "The specified device is not open or is not recognized by MCI.";
        case kMciDeviceOpen:
            return "The device name is already being used as an alias by this application.";
        case kMciMissingCommandString:
            return "No command was specified.";
        case kMciBadInteger:
            return "An integer in the command was invalid or missing.";
        case kMciMissingParameter:
            return "The specified command requires a parameter.";
        case kMciUnsupportedFunction:
            return "The MCI device you are using does not support the specified command.";
        case kMciOutOfRange:
            return "The specified parameter is out of range for the specified command.";
        case kMciFileNotSaved:
            return "The file was not saved.";
        case kMciDeviceTypeRequired:
            return "The specified device cannot be found on the system. Check that the device is "
                   "installed and the device name is spelled correctly.";
        case kMciMissingDeviceName:
            return "No device name was specified.";
        case kMciDuplicateFlags:
            return "A parameter or value was specified twice.";
        case kMciNewRequiresAlias:
            return "An alias must be used with the \"new\" device name.";
        case kMciNonapplicableFunction:
            return "The specified MCI command sequence cannot be performed in the given order.";
        case kMciFilenameRequired:
            return "A valid filename is required.";
        case kMciWaveInputsUnsuitable:
            return "No wave recording device can record files in the current format.";
        default:
            return {};
    }
}

bool mciGetErrorStringA(uint32_t code, char* buf, uint32_t len) {
    const std::string text = mciErrorText(code);
    if (buf && len > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), len - 1);
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return !text.empty();
}

}  // namespace platform::sound
