// A capture device simulated against the program clock: it starts late or
// early, its clock runs fast or slow, it loses sound, the program is held up.
// Wherever a device frame was captured, the recording must hold it at that
// moment of the program clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/sound/CaptureTiming.h"

namespace ps = platform::sound;

namespace {

constexpr int kDeviceRate = 48000;
constexpr int kWavRate = 22050;
constexpr double kStart = 100.0;  // "record" accepted

struct Device {
    double firstCapture = kStart;  // when its frame 0 was captured
    double drift = 0.0;            // +0.0003: 300 parts per million fast
    double lossAt = -1.0;          // the device loses lossSeconds of sound here
    double lossSeconds = 0.0;
    double stallAt = -1.0;  // the program reads nothing for stallSeconds
    double stallSeconds = 0.0;
    double slowAt = -1.0;      // the program reads every chunk slowBy late
    double slowSeconds = 0.0;  // for this long
    double slowBy = 0.0;
};

struct Capture {
    double worstAfterSettling = 0.0;  // seconds, over the last half
    double lastError = 0.0;
    std::size_t silence = 0;
    std::size_t leftOut = 0;
    std::size_t laterSilence = 0;  // once the start has settled
    std::size_t laterLeftOut = 0;
    uint64_t deviceFrames = 0;
    double minScale = 1.0;
    double maxScale = 1.0;
};

// The device captures 10 ms chunks; each reaches the program 0 to 19 ms
// later (some soon, most not), and the recording converts what it keeps.
Capture simulate(const Device& d, double seconds) {
    ps::CaptureTiming timing(kStart, kDeviceRate, kWavRate);
    Capture run;
    double written = 0.0;  // WAV frames, fractional as the converter makes them
    uint64_t frame = 0;    // device frames captured so far
    double lostTime = 0.0;
    bool lost = false;
    const double chunkSeconds = 0.010;
    for (int k = 1;; ++k) {
        // The chunk's last frame, on the device's own clock.
        const double deviceTime = k * chunkSeconds;
        const double captured = d.firstCapture + deviceTime / (1.0 + d.drift) + lostTime;
        if (captured > kStart + seconds) {
            break;
        }
        if (!lost && d.lossAt > 0 && captured >= d.lossAt) {
            lost = true;
            lostTime = d.lossSeconds;  // later frames come that much later
            continue;
        }
        const auto frames = static_cast<std::size_t>(std::llround(deviceTime * kDeviceRate) -
                                                     static_cast<int64_t>(frame));
        frame += frames;
        double arrival = captured + static_cast<double>((k * 7919) % 20) / 1000.0;
        if (d.stallAt > 0 && arrival >= d.stallAt && arrival < d.stallAt + d.stallSeconds) {
            arrival = d.stallAt + d.stallSeconds;
        }
        if (d.slowAt > 0 && captured >= d.slowAt && captured < d.slowAt + d.slowSeconds) {
            arrival += d.slowBy;
        }
        const ps::CaptureTiming::Placement p =
            timing.arrived(arrival, frames, static_cast<std::size_t>(std::llround(written)));
        run.silence += p.silenceBefore;
        run.leftOut += p.leaveOut;
        if (captured - kStart > ps::CaptureTiming::kSettleSeconds + 0.5) {
            run.laterSilence += p.silenceBefore;
            run.laterLeftOut += p.leaveOut;
        }
        run.minScale = std::min(run.minScale, p.rateScale);
        run.maxScale = std::max(run.maxScale, p.rateScale);
        written += static_cast<double>(p.silenceBefore) +
                   static_cast<double>(frames - p.leaveOut) * kWavRate / kDeviceRate * p.rateScale;
        if (frames > p.leaveOut) {
            // Where the recording put the chunk's last frame, against where it belongs.
            run.lastError = written / kWavRate - (captured - kStart);
            if (captured - kStart > seconds / 2) {
                run.worstAfterSettling = std::max(run.worstAfterSettling, std::fabs(run.lastError));
            }
        }
    }
    run.deviceFrames = frame;
    return run;
}

TEST(CaptureTiming, TheFirstFrameIsTheMomentRecordingStarted) {
    // The first chunk is placed by its own arrival; sooner ones move it back.
    Device late;
    late.firstCapture = kStart + 0.030;
    Capture r = simulate(late, 5);
    const double net =
        static_cast<double>(r.silence) / kWavRate - static_cast<double>(r.leftOut) / kDeviceRate;
    EXPECT_NEAR(net, 0.030, 0.002);
    EXPECT_LT(std::fabs(r.lastError), 0.002);

    Device early;
    early.firstCapture = kStart - 0.050;
    r = simulate(early, 5);
    EXPECT_EQ(r.silence, 0u);
    EXPECT_NEAR(static_cast<double>(r.leftOut) / kDeviceRate, 0.050, 0.002);
    EXPECT_LT(std::fabs(r.lastError), 0.002);
}

TEST(CaptureTiming, AFastOrSlowDeviceClockIsFollowed) {
    for (double drift : {0.0003, -0.0003}) {
        Device d;
        d.drift = drift;
        const Capture r = simulate(d, 600);
        // Counted as captured, ten minutes would slide by 180 ms.
        EXPECT_LT(r.worstAfterSettling, 0.006) << "drift " << drift;
        EXPECT_EQ(r.laterSilence, 0u) << drift;
        EXPECT_EQ(r.laterLeftOut, 0u) << drift;
        EXPECT_GE(r.minScale, 1.0 - ps::CaptureTiming::kMaxPull);
        EXPECT_LE(r.maxScale, 1.0 + ps::CaptureTiming::kMaxPull);
    }
}

TEST(CaptureTiming, SoundTheDeviceLostIsMadeUpWithSilence) {
    Device d;
    d.lossAt = kStart + 30;
    d.lossSeconds = 0.5;
    const Capture r = simulate(d, 90);
    EXPECT_NEAR(static_cast<double>(r.laterSilence) / kWavRate, 0.5, 0.03);
    EXPECT_EQ(r.laterLeftOut, 0u);
    EXPECT_LT(r.worstAfterSettling, 0.006);
}

TEST(CaptureTiming, AProgramHeldUpLosesAndAddsNothing) {
    Device stalled;
    stalled.stallAt = kStart + 30;
    stalled.stallSeconds = 3.0;  // longer than a window
    Device slow;
    slow.slowAt = kStart + 30;
    slow.slowSeconds = 3.0;  // a whole window of late reads
    slow.slowBy = 0.15;
    for (const Device& d : {stalled, slow}) {
        const Capture r = simulate(d, 90);
        EXPECT_EQ(r.laterSilence, 0u);
        EXPECT_EQ(r.laterLeftOut, 0u);
        EXPECT_LT(r.worstAfterSettling, 0.006);
    }
}

}  // namespace
