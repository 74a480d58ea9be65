#pragma once
// The waveaudio device's return codes: the numbers of the Windows MCI error
// constants, so a caller that knows them reads them the usual way.
#include <cstdint>
#include <string>

namespace platform::sound {

enum MciError : uint32_t {
    kMciOk = 0,
    kMciUnrecognizedKeyword = 259,    // a word the command does not take
    kMciUnrecognizedCommand = 261,    // not a command this device knows
    kMciHardware = 262,               // the wave input failed to start
    kMciInvalidDeviceName = 263,      // no device is open under that alias
    kMciDeviceOpen = 265,             // the alias is already in use
    kMciMissingCommandString = 267,   // an empty command
    kMciBadInteger = 270,             // a value that is not a whole number
    kMciMissingParameter = 273,       // a keyword without its value, or nothing to set
    kMciUnsupportedFunction = 274,    // a command form this device does not offer
    kMciOutOfRange = 282,             // alignment or bytespersec do not fit the format
    kMciFileNotSaved = 286,           // the file could not be written
    kMciDeviceTypeRequired = 287,     // "open new" without a type
    kMciMissingDeviceName = 292,      // a command without an alias
    kMciDuplicateFlags = 295,         // the same keyword twice
    kMciNewRequiresAlias = 299,       // "open new" without an alias
    kMciNonapplicableFunction = 302,  // nothing recorded yet, or not while recording
    kMciFilenameRequired = 304,       // "save" without a path
    kMciWaveInputsUnsuitable = 328,   // a format the input cannot record, or no input at all
};

// The device's standard text for a code.
std::string mciErrorText(uint32_t code);

// Copies the standard text for code into buf (at most len - 1 bytes, NUL
// terminated). Returns false for a code that is not an error of this device.
bool mciGetErrorStringA(uint32_t code, char* buf, uint32_t len);

}  // namespace platform::sound
