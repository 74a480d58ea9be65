#pragma once
// The documents of a network tuner's HTTP lineup protocol, read from their
// JSON text: discover.json (the device), lineup.json (its channels) and
// lineup_status.json (its scan). Unknown fields are ignored; a field of the
// wrong type counts as missing. An error names the document and what is
// wrong with it, in words a user can act on.
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform::tv::stream {

struct TunerDevice {
    std::string friendlyName;
    std::string modelNumber;
    std::string deviceId;
    std::string baseUrl;    // "http://192.168.1.20:80"; may be empty
    std::string lineupUrl;  // where lineup.json is; may be empty
    int tunerCount = 0;
};

// Needs an object; every field is optional.
Result<TunerDevice> parseDiscover(std::string_view json);

struct LineupChannel {
    std::string guideNumber;  // "2.1"
    std::string guideName;    // UTF-8
    std::string url;          // the stream
    std::string videoCodec;   // "MPEG2", "H264", ... as the tuner says
    std::string audioCodec;   // "AC3", "AC4", ...
    bool hd = false;
    bool favorite = false;
    bool drm = false;  // protected: the card cannot show it
};

// Needs an array. Entries without a GuideNumber or a URL, or that are not
// objects, are left out and counted in `skipped`. Tags may be a string
// ("favorite,drm") or an array of strings; "DRM": 1 and "Favorite": 1
// count as the tags.
struct Lineup {
    std::vector<LineupChannel> channels;
    int skipped = 0;
};
Result<Lineup> parseLineup(std::string_view json);

struct LineupStatus {
    bool scanInProgress = false;
    bool scanPossible = false;
    int progress = 0;  // percent, 0..100
    int found = 0;
    std::string source;  // "Antenna", "Cable"
    std::vector<std::string> sourceList;
};

// Needs an object; numbers may also come as "1"/"0" strings or booleans.
Result<LineupStatus> parseLineupStatus(std::string_view json);

}  // namespace platform::tv::stream
