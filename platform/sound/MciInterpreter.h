#pragma once
// Reads waveaudio command strings and runs them on the devices they name.
// The commands, words case-blind, separated by blanks:
//   open new type waveaudio alias <a>
//   set <a> [samplespersec N] [channels N] [bitspersample N] [alignment N] [bytespersec N]
//   record <a> overwrite
//   stop <a>
//   save <a> <path>      (the path is the rest of the line after one blank)
//   close <a>            (or "close all")
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Result.h"
#include "platform/sound/WaveDevice.h"
#include "platform/sound/WaveInput.h"

namespace platform::sound {

class MciInterpreter {
  public:
    using InputSource = std::function<Result<std::unique_ptr<WaveInput>>()>;
    // inputs makes the wave input of each new recording; recordingChanged
    // hears whether any device is recording after each command that may
    // change it, so a timer can pump only while needed.
    explicit MciInterpreter(InputSource inputs, std::function<void(bool)> recordingChanged = {});
    ~MciInterpreter();

    MciReply execute(std::string_view command);
    // Where the next "record" makes its recording (see RecordingPlace); used
    // once, then recordings go to the temporary folder again.
    void recordInto(RecordingPlace place) { nextPlace_ = std::move(place); }
    void pumpAll();
    // Why a device stopped recording sound, in the user's words, told once;
    // empty when nothing new went wrong.
    std::string takeCaptureProblem();
    bool anyRecording() const;
    // Why the wave input failed during the last recording saved, stopped or
    // closed since the last "open"; empty when it did not.
    const std::string& lostInput() const { return lostInput_; }

    MciInterpreter(const MciInterpreter&) = delete;
    MciInterpreter& operator=(const MciInterpreter&) = delete;

  private:
    struct Words;
    MciReply open(const Words& w);
    MciReply set(WaveDevice& d, const Words& w);
    MciReply record(WaveDevice& d, const Words& w);
    MciReply save(WaveDevice& d, std::string_view command);
    MciReply close(const Words& w);
    void noteLost(const WaveDevice& d);

    InputSource inputs_;
    std::function<void(bool)> recordingChanged_;
    std::map<std::string, std::unique_ptr<WaveDevice>> devices_;  // by lower-case alias
    std::string lostInput_;
    RecordingPlace nextPlace_;
    int nextDeviceId_ = 1;
};

}  // namespace platform::sound
