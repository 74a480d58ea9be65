#include "TunerStream.h"

#include <algorithm>
#include <sstream>

#include "platform/tv/Station.h"
#include "tests/support/TempDir.h"
#include "tools/streammaker/StreamMaker.h"

namespace tunertest {
namespace {

// Silence of the given length, without a file.
class SilentTrack final : public platform::tv::SoundTrack {
  public:
    SilentTrack(int rate, int64_t frames) : SoundTrack(rate, 1, frames) {}
    platform::Result<std::unique_ptr<platform::tv::SoundCursor>> open() const override {
        return std::unique_ptr<platform::tv::SoundCursor>(std::make_unique<Cursor>());
    }

  private:
    struct Cursor final : platform::tv::SoundCursor {
        platform::Status read(int64_t, float* out, std::size_t frames) override {
            std::fill(out, out + frames, 0.0f);
            return platform::Status::ok();
        }
    };
};

}  // namespace

std::shared_ptr<const faketuner::TsFile> shortStream() {
    static std::shared_ptr<const faketuner::TsFile> made = [] {
        testsupport::TempDir dir;
        platform::tv::Station station;
        station.title = "Tuner Test";
        station.pairs.assign(static_cast<std::size_t>(kStreamSeconds * 30000 / 1001), 0x8080);
        station.sound =
            std::make_shared<SilentTrack>(8000, static_cast<int64_t>(kStreamSeconds * 8000));
        tools::stream::StreamOptions o;
        o.width = 176;
        o.height = 144;
        const std::string path = dir.file("short.ts");
        platform::Result<tools::stream::StreamSummary> s =
            tools::stream::makeStream(station, o, path);
        if (!s) {
            throw std::runtime_error(s.message());
        }
        platform::Result<faketuner::TsFile> ts = faketuner::readTsFile(path);
        if (!ts) {
            throw std::runtime_error(ts.message());
        }
        return std::make_shared<const faketuner::TsFile>(std::move(ts.value()));
    }();
    return made;
}

}  // namespace tunertest
