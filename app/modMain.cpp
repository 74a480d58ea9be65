#include "app/modMain.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/core/ProfileFile.h"

std::string g_sIniFile;
std::string g_sSaveDir;
std::unique_ptr<cldCCFactory> g_ccFactory;
bool g_bAllCaptionModes = false;

namespace {

const char kSection[] = "global";
const char kAllCaptionModesKey[] = "AllCaptionModes";

platform::Status& lastWriteStatus() {
    static platform::Status status;
    return status;
}

// The folder that holds path: no trailing '/', except for the root itself.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file name of path without its extension; a leading dot is part of the
// name, not an extension.
std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

}  // namespace

std::string ReadSetting(const std::string& key, const std::string& def) {
    return TrimControlChars(platform::GetPrivateProfileStringA(kSection, key, def, g_sIniFile));
}

std::string WriteSetting(const std::string& key, const std::string& value) {
    lastWriteStatus() = platform::WritePrivateProfileStringA(kSection, key, value, g_sIniFile);
    return std::string();
}

const platform::Status& LastSettingWriteStatus() {
    return lastWriteStatus();
}

std::string JoinPath(std::string dir, std::string file) {
    while (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    std::size_t lead = 0;
    while (lead < file.size() && file[lead] == '/') {
        ++lead;
    }
    return dir + "/" + file.substr(lead);
}

std::string TrimControlChars(std::string text) {
    auto isControl = [](char c) { return static_cast<unsigned char>(c) < 32; };
    while (!text.empty() && isControl(text.back())) {
        text.pop_back();
    }
    std::size_t lead = 0;
    while (lead < text.size() && isControl(text[lead])) {
        ++lead;
    }
    return text.substr(lead);
}

int32_t HiWord(int32_t value) {
    // The masked value is the bit pattern read as a signed number, so the
    // exact division keeps the sign of the upper half.
    const auto masked = static_cast<int32_t>(static_cast<uint32_t>(value) & 0xFFFF0000u);
    return masked / 65536;
}

platform::Result<std::string> ExecutablePath() {
    const char* self = "/proc/self/exe";
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(self, buffer.data(), buffer.size());
        if (n < 0) {
            return platform::Error{platform::describeErrno("Cannot read", self, errno)};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void StartUp(const std::string& executablePath) {
    const std::string folder = folderOf(executablePath);
    g_sIniFile = JoinPath(folder, baseNameOf(executablePath) + ".ini");
    g_sSaveDir = ReadSetting("SaveDir", folder);
    g_bAllCaptionModes = ReadSetting(kAllCaptionModesKey, "0") == "1";
    g_ccFactory = std::make_unique<cldCCFactory>();
    g_ccFactory->setAllCaptionModes(g_bAllCaptionModes);
    g_ccFactory->init(0);
}

void SetAllCaptionModes(bool on) {
    g_bAllCaptionModes = on;
    WriteSetting(kAllCaptionModesKey, on ? "1" : "0");
    g_ccFactory->setAllCaptionModes(on);
}
