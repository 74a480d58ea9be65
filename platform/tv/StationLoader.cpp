#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/tv/Line21.h"
#include "platform/tv/SoundFile.h"
#include "platform/tv/Station.h"

namespace platform::tv {
namespace fs = std::filesystem;
namespace {

constexpr uint16_t kNullPair = (kNullByte << 8) | kNullByte;

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
    Result<std::shared_ptr<const SoundTrack>> sound = openSoundFile(soundPath);
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
    s.sound = std::move(sound.value());
    std::error_code ec;
    if (fs::is_regular_file(folder / "picture.png", ec)) {
        s.picturePath = (folder / "picture.png").string();
    }

    // The programme lasts as long as its sound or until a second after its
    // last caption word, whichever is later.
    const std::vector<scc::CaptionWord>& words = track.value().words;
    const double soundSeconds =
        static_cast<double>(s.soundFrames()) / static_cast<double>(s.sampleRate());
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
    struct Job {
        int channel = 0;
        std::string dir;
        std::optional<Result<Station>> station;
        std::ostringstream messages;
    };
    std::vector<Job> jobs;
    for (const fs::directory_entry& entry : it) {
        const int ch = channelOf(entry.path().filename().string());
        if (ch != 0 && entry.is_directory(ec)) {
            jobs.push_back(Job{ch, entry.path().string(), std::nullopt, {}});
        }
    }
    std::sort(jobs.begin(), jobs.end(),
              [](const Job& a, const Job& b) { return a.channel < b.channel; });
    // Each station is its own (its captions parsed, its sound's header read):
    // they are read side by side, one per core, so the first picture comes sooner.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            jobs[i].station = loadStation(jobs[i].dir, jobs[i].channel, jobs[i].messages);
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = jobs.empty() ? 0 : std::min(jobs.size(), cores) - 1;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < helpers; ++i) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& t : threads) {
        t.join();
    }
    for (Job& job : jobs) {
        errors << job.messages.str();
        if (!*job.station) {
            errors << "Channel " << job.channel << " has no station: " << job.station->message()
                   << '\n';
            continue;
        }
        set.put(std::make_shared<const Station>(std::move(job.station->value())));
    }
    return set;
}

}  // namespace platform::tv
