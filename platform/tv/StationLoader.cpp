#include <sndfile.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/tv/Line21.h"
#include "platform/tv/Station.h"

namespace platform::tv {
namespace fs = std::filesystem;
namespace {

constexpr uint16_t kNullPair = (kNullByte << 8) | kNullByte;

struct Sound {
    std::vector<float> samples;
    int sampleRate = 0;
    int channels = 0;
};

Result<Sound> readSound(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return Error{"Cannot read sound '" + path + "': " + sf_strerror(nullptr)};
    }
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(file);
        return Error{"Cannot read sound '" + path + "': no channels or no sample rate"};
    }
    std::vector<float> all(static_cast<std::size_t>(info.frames) *
                           static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, all.data(), info.frames);
    sf_close(file);
    if (got < 0) {
        return Error{"Cannot read sound '" + path + "': read failed"};
    }
    Sound s;
    s.sampleRate = info.samplerate;
    // More than two channels: the card's outputs carry the first two.
    s.channels = std::min(info.channels, 2);
    const auto frames = static_cast<std::size_t>(got);
    s.samples.resize(frames * static_cast<std::size_t>(s.channels));
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < s.channels; ++c) {
            s.samples[f * static_cast<std::size_t>(s.channels) + static_cast<std::size_t>(c)] =
                all[f * static_cast<std::size_t>(info.channels) + static_cast<std::size_t>(c)];
        }
    }
    return s;
}

Result<std::string> readTitle(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return Error{describeErrno("Cannot read title", path, errno)};
    }
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::string findSound(const fs::path& dir) {
    for (const char* name : {"sound.flac", "sound.wav", "sound.ogg"}) {
        std::error_code ec;
        if (fs::is_regular_file(dir / name, ec)) {
            return (dir / name).string();
        }
    }
    return {};
}

// A folder name that is a channel number, or 0.
int channelOf(const std::string& name) {
    int ch = 0;
    const char* end = name.data() + name.size();
    auto [p, ec] = std::from_chars(name.data(), end, ch);
    if (ec != std::errc() || p != end || name.empty()) {
        return 0;
    }
    return ch >= 1 && ch <= kChannelCount ? ch : 0;
}

}  // namespace

int StationSet::size() const {
    return static_cast<int>(std::count_if(stations_.begin(), stations_.end(),
                                          [](const auto& s) { return s != nullptr; }));
}

Result<Station> loadStation(const std::string& dir, int channel, std::ostream& warnings) {
    const fs::path folder(dir);
    Result<scc::CaptionTrack> track = scc::readSccFile((folder / "captions.scc").string());
    if (!track) {
        return Error{track.message()};
    }
    for (const std::string& w : track.value().warnings) {
        warnings << w << '\n';
    }
    const std::string soundPath = findSound(folder);
    if (soundPath.empty()) {
        return Error{"No sound in '" + dir + "': expected sound.flac, sound.wav or sound.ogg"};
    }
    Result<Sound> sound = readSound(soundPath);
    if (!sound) {
        return Error{sound.message()};
    }
    Result<std::string> title = readTitle((folder / "title.txt").string());
    if (!title) {
        return Error{title.message()};
    }

    Station s;
    s.channel = channel;
    s.title = std::move(title.value());
    s.samples = std::move(sound.value().samples);
    s.sampleRate = sound.value().sampleRate;
    s.channels = sound.value().channels;
    std::error_code ec;
    if (fs::is_regular_file(folder / "picture.png", ec)) {
        s.picturePath = (folder / "picture.png").string();
    }

    // The programme lasts as long as its sound or until a second after its
    // last caption word, whichever is later.
    const std::vector<scc::CaptionWord>& words = track.value().words;
    const double soundSeconds =
        static_cast<double>(s.soundFrames()) / static_cast<double>(s.sampleRate);
    const int64_t soundLength =
        static_cast<int64_t>(std::ceil(soundSeconds / scc::kFrameSeconds - 1e-9));
    const int64_t captionLength =
        words.empty()
            ? 0
            : words.back().frame + 1 + static_cast<int64_t>(std::ceil(1.0 / scc::kFrameSeconds));
    const int64_t length = std::max<int64_t>({soundLength, captionLength, 1});
    s.pairs.assign(static_cast<std::size_t>(length), kNullPair);
    for (const scc::CaptionWord& w : words) {
        if (w.frame >= 0 && w.frame < length) {
            s.pairs[static_cast<std::size_t>(w.frame)] =
                static_cast<uint16_t>((w.first << 8) | w.second);
        }
    }
    return s;
}

StationSet loadStations(const std::string& root, std::ostream& errors) {
    StationSet set;
    std::error_code ec;
    fs::directory_iterator it(root, ec);
    if (ec) {
        errors << "No broadcasts in '" << root << "': " << ec.message() << '\n';
        return set;
    }
    for (const fs::directory_entry& entry : it) {
        const int ch = channelOf(entry.path().filename().string());
        if (ch == 0 || !entry.is_directory(ec)) {
            continue;
        }
        Result<Station> s = loadStation(entry.path().string(), ch, errors);
        if (!s) {
            errors << "Channel " << ch << " has no station: " << s.message() << '\n';
            continue;
        }
        set.put(std::make_shared<const Station>(std::move(s.value())));
    }
    return set;
}

}  // namespace platform::tv
