// Feeds arbitrary command lines to the waveaudio driver, one per input line,
// with the card's sound and a clock that moves a little between commands so
// recordings really fill. Saves land in a scratch folder: slashes in a save
// line become underscores, and the working and temporary folders are the
// scratch folder, so no input can write outside it.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/core/Clock.h"
#include "platform/sound/CardFeedInput.h"
#include "platform/sound/MciInterpreter.h"
#include "platform/tv/AudioFeed.h"

namespace {

class Tone final : public platform::tv::AudioFeed {
  public:
    void render(double start, int rate, int channels, float* out, std::size_t frames) override {
        for (std::size_t i = 0; i < frames; ++i) {
            // Overdriven on purpose, so clipping runs too.
            const float v = 1.5f * static_cast<float>(
                                       std::sin(6283.0 * (start + static_cast<double>(i) / rate)));
            for (int c = 0; c < channels; ++c) {
                out[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = v;
            }
        }
    }
};

struct Sandbox {
    Sandbox() {
        char tmpl[] = "/tmp/cuelark-mci-fuzz-XXXXXX";
        path = mkdtemp(tmpl);
        setenv("TMPDIR", path.c_str(), 1);
        std::filesystem::current_path(path);
        platform::setProgramClock(&clock);
        // Runs after this object is gone, so it keeps its own copy of the name.
        static char name[sizeof tmpl];
        std::memcpy(name, tmpl, sizeof tmpl);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::current_path("/", ec);
            std::filesystem::remove_all(name, ec);
        });
    }
    void empty() const {
        std::error_code ec;
        for (auto& e : std::filesystem::directory_iterator(path, ec)) {
            std::filesystem::remove_all(e.path(), ec);
        }
    }
    std::string path;
    platform::ManualClock clock{100.0};
    Tone tone;
};

Sandbox& sandbox() {
    static Sandbox s;
    return s;
}

bool isSave(const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line.size() - i < 4) {
        return false;
    }
    std::string verb = line.substr(i, 4);
    for (char& c : verb) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return verb == "save";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Sandbox& box = sandbox();
    {
        platform::sound::MciInterpreter driver(
            [&box]() -> platform::Result<std::unique_ptr<platform::sound::WaveInput>> {
                return std::unique_ptr<platform::sound::WaveInput>(
                    std::make_unique<platform::sound::CardFeedInput>(box.tone));
            });
        const std::string input(reinterpret_cast<const char*>(data), size);
        std::size_t start = 0;
        while (start <= input.size()) {
            std::size_t end = input.find('\n', start);
            if (end == std::string::npos) {
                end = input.size();
            }
            std::string line = input.substr(start, end - start);
            if (isSave(line)) {
                for (char& c : line) {
                    c = c == '/' ? '_' : c;
                }
            }
            driver.execute(line);
            box.clock.advance(0.013);
            driver.pumpAll();
            start = end + 1;
        }
    }
    box.empty();
    return 0;
}
