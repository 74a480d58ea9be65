#pragma once
// What kind of stream to make, and reading it from the command line.
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "tools/streammaker/CaptionCadence.h"

namespace tools::stream {

enum class VideoCodec { Mpeg2 = 1, H264 };
enum class SoundCodec { Mp2 = 1, Ac3 };

struct StreamOptions {
    VideoCodec video = VideoCodec::Mpeg2;
    SoundCodec sound = SoundCodec::Mp2;
    CadenceOptions cadence;
    int width = 720;
    int height = 480;
    int videoKbps = 0;   // 0: chosen from the size and frame rate
    int soundKbps = 0;   // 0: 192 for MP2, 384 for AC-3
    double seconds = 0;  // 0: the programme's length; longer loops the programme
    std::string x264Preset = "veryfast";
    int grain = 3;  // +- levels of grain on the picture
};

// The video bit rate a stream of these options gets when none is given.
int defaultVideoKbps(const StreamOptions& o);
int effectiveSoundKbps(const StreamOptions& o);

struct CommandLine {
    StreamOptions options;
    std::string station;  // the station folder
    std::string output;   // the .ts file
};

// The command line's arguments (without the program's name). The error says
// which argument is wrong and what it may be.
platform::Result<CommandLine> parseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace tools::stream
