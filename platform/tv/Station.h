#pragma once
// What one channel of the simulated card broadcasts: a programme that loops,
// made of a sound track, line-21 caption pairs per frame, a title and
// optionally a still picture. Read once when the card loads, the sound's
// header only: its samples are read from the file as it plays.
#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/scc/Scc.h"
#include "platform/tv/SoundTrack.h"

namespace platform::tv {

constexpr int kChannelCount = 125;

struct Station {
    int channel = 0;
    std::string title;
    std::string picturePath;  // empty: the card shows colour bars

    // The sound, at its own rate, in 1 or 2 channels.
    std::shared_ptr<const SoundTrack> sound;
    int sampleRate() const { return sound ? sound->sampleRate() : 0; }
    int channels() const { return sound ? sound->channels() : 0; }

    // One pair per frame of the programme, first byte high, parity bits as
    // broadcast; frames without caption data hold the null pair.
    std::vector<uint16_t> pairs;

    // The programme starts again after this many frames.
    int64_t lengthFrames() const { return static_cast<int64_t>(pairs.size()); }
    double lengthSeconds() const { return scc::frameTime(lengthFrames()); }
    int64_t soundFrames() const { return sound ? sound->frames() : 0; }
};

// Stations by channel number 1..kChannelCount; nullptr where none is.
class StationSet {
  public:
    const Station* at(int channel) const {
        return channel >= 1 && channel <= kChannelCount ? stations_[channel].get() : nullptr;
    }
    void put(std::shared_ptr<const Station> s) {
        const int ch = s->channel;
        if (ch >= 1 && ch <= kChannelCount) {
            stations_[ch] = std::move(s);
        }
    }
    int size() const;

  private:
    std::array<std::shared_ptr<const Station>, kChannelCount + 1> stations_{};
};

// Reads the station in folder dir (captions.scc, sound.flac/.wav/.ogg,
// title.txt, picture.png). The error names the file that could not be read.
// Warnings of the caption file go to warnings.
Result<Station> loadStation(const std::string& dir, int channel, std::ostream& warnings);

// Reads every station under root, one folder per channel number ("3", "17").
// A station that cannot be read is left out and the reason written to errors.
StationSet loadStations(const std::string& root, std::ostream& errors);

}  // namespace platform::tv
