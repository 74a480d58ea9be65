// Caption data as pictures carry it, damaged any way a broadcast can damage
// it, through the triplet filter and the pacer: what goes out is exactly the
// valid field-1 pairs that are not padding, in order, one per slot, none
// before its picture's time, null pairs in every other slot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/scc/Scc.h"
#include "platform/tv/stream/CaptionPacer.h"
#include "platform/tv/stream/CaptionTriplets.h"

namespace {
void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}
}  // namespace

// Input: pictures, each a length byte (its cc_data size, at most 93) and
// that many bytes; a picture every 1001/60000 s.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::tv::stream;
    constexpr double kOrigin = 100.0;
    const double picture = platform::scc::kFrameSeconds / 2;
    platform::ManualClock clock(kOrigin);
    CaptionPacer pacer(clock);
    struct Out {
        double due;
        LinePair pair;
    };
    std::vector<Out> sent;
    pacer.setSlotSink([&](int64_t, double due, LinePair pair) { sent.push_back({due, pair}); });
    pacer.start(kOrigin);

    std::vector<LinePair> expected;
    std::vector<double> dueOf;
    std::size_t at = 0;
    int frame = 0;
    // Pictures of less than the pacer's backlog bound in all, so that no pair
    // can fall far enough behind to be dropped (its own test covers that).
    const int mostFrames = static_cast<int>(CaptionPacer::kMaxBacklogSeconds / picture) - 2;
    while (at < size && frame < mostFrames) {
        const std::size_t n = std::min<std::size_t>(data[at] % 94, size - at - 1);
        const uint8_t* cc = data + at + 1;
        std::vector<LinePair> pairs;
        appendField1Pairs(cc, n, pairs);
        for (std::size_t i = 0; i + 3 <= n; i += 3) {
            if ((cc[i] & 0x07) == 0x04 && !(cc[i + 1] == 0x80 && cc[i + 2] == 0x80)) {
                expected.push_back({cc[i + 1], cc[i + 2]});
                dueOf.push_back(kOrigin + frame * picture);
            }
        }
        for (const LinePair& p : pairs) {
            pacer.push(kOrigin + frame * picture, p);
        }
        at += n + 1;
        ++frame;
        clock.set(kOrigin + frame * picture - picture * (data[at - 1] % 3));
        pacer.pump();
    }
    clock.set(kOrigin + (frame + 1) * picture + expected.size() * platform::scc::kFrameSeconds);
    pacer.pump();

    std::size_t next = 0;
    for (const Out& o : sent) {
        if (next < expected.size() && o.pair == expected[next]) {
            require(o.due + 1e-6 >= dueOf[next]);
            ++next;
        } else {
            require(o.pair == (LinePair{0x80, 0x80}));
        }
    }
    require(next == expected.size());
    return 0;
}
