#pragma once
// The program-wide state and the start-up module's helpers: where the
// settings file is, the save directory, the one caption decoder, and the
// settings functions everything else reads and writes through.
#include <cstdint>
#include <memory>
#include <string>

#include "captions/cldCCFactory.h"
#include "platform/core/Result.h"

// Full path of the settings file, set once at start-up.
extern std::string g_sIniFile;
// Where recordings go, as read at start-up or as typed by the user.
extern std::string g_sSaveDir;
// The one caption decoder and script builder, created at start-up and kept
// until the process ends: g_ccFactory->decode(high, low).
extern std::unique_ptr<cldCCFactory> g_ccFactory;

// Whether scripts record roll-up and paint-on captions too (Script > Record
// Roll-up and Paint-on Captions), as kept under AllCaptionModes; read at
// start-up.
extern bool g_bAllCaptionModes;
// Switches it, keeps it in the settings file at once, and tells the caption
// decoder, which starts using it with the next recording.
void SetAllCaptionModes(bool on);

// The value of key in section "global" of the settings file, or def when it
// is missing, with control characters trimmed at both ends.
std::string ReadSetting(const std::string& key, const std::string& def);
// Stores key in section "global" of the settings file at once. Returns an
// empty string; callers go on whether or not it worked, and the outcome is
// kept in LastSettingWriteStatus().
std::string WriteSetting(const std::string& key, const std::string& value);
const platform::Status& LastSettingWriteStatus();

// dir and file with exactly one '/' between them: trailing '/' of dir and
// leading '/' of file are dropped first.
std::string JoinPath(std::string dir, std::string file);
// text without the characters below 32 at either end.
std::string TrimControlChars(std::string text);
// The upper 16 bits of value as a signed number.
int32_t HiWord(int32_t value);

// The running executable's full path.
platform::Result<std::string> ExecutablePath();

// The first steps of start-up, before any window: the settings file's path
// beside the executable (named after the executable), the save directory
// (the executable's folder by default), whether roll-up and paint-on are
// recorded, and the caption decoder, idle. Reads the settings file; writes
// nothing.
void StartUp(const std::string& executablePath);
