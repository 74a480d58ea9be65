#pragma once
// Keeps a capture device's sound on the program clock, the clock the
// captions are timed with. Sound arrives in chunks some varying time after
// it was captured, and the device's clock runs a little fast or slow against
// the program's (a few hundred parts per million is common): counted as
// captured, a recording would slide against its captions by tens of
// milliseconds a minute.
//
// The soonest arrivals tell best where the sound belongs. The first chunk
// places the start, padded with silence or with the device's first frames
// left out; sooner chunks in the first seconds move it back. After that the
// soonest arrival of each window is held to where the first window's was:
// small differences adjust the rate conversion (a slow pull, inaudible),
// and a large one that lasts (sound the device lost) is made up at once with
// silence or by leaving frames out.
#include <cstddef>
#include <cstdint>

namespace platform::sound {

class CaptureTiming {
  public:
    // startTime: the program clock at the recording's first WAV frame.
    CaptureTiming(double startTime, int deviceRate, int wavRate);

    struct Placement {
        std::size_t silenceBefore = 0;  // WAV frames of silence to put before this chunk
        std::size_t leaveOut = 0;       // device frames at the chunk's start to leave out
        double rateScale = 1.0;         // scales the conversion ratio from this chunk on
    };
    // frames device frames arrived at now; written is how many WAV frames
    // the recording holds so far (silence included).
    Placement arrived(double now, std::size_t frames, std::size_t written);

    // How long each window is, and how long the start may still move.
    static constexpr double kWindowSeconds = 2.0;
    static constexpr double kSettleSeconds = 2.0;
    // A slide the rate makes up over this long; beyond kJumpSeconds, at once.
    static constexpr double kPullSeconds = 10.0;
    static constexpr double kJumpSeconds = 0.1;
    static constexpr double kMaxPull = 0.005;

  private:
    void settle(double now, Placement& p);
    void follow(double now, std::size_t frames, std::size_t written, Placement& p);

    double start_;
    double deviceRate_;
    double wavRate_;
    uint64_t received_ = 0;
    bool placed_ = false;
    double began_ = 0.0;    // when the device's first frame was captured
    uint64_t owedOut_ = 0;  // device frames still to leave out
    bool haveReference_ = false;
    double reference_ = 0.0;  // the first window's soonest shortfall, in WAV frames
    double windowStart_ = 0.0;
    double windowSoonest_ = 0.0;
    bool windowOpen_ = false;
    int farWindows_ = 0;  // windows in a row that were far out
    double scale_ = 1.0;
};

}  // namespace platform::sound
