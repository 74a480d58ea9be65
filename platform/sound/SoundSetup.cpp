#include "platform/sound/SoundSetup.h"

#include <cstdlib>
#include <cstring>

#include "platform/sound/CardFeedInput.h"

namespace platform::sound {

namespace {

struct Wiring {
    tv::AudioFeed* cardFeed = nullptr;
    WaveInputFactory systemInput;
    std::function<void(bool)> scheduler;
};

Wiring& wiring() {
    static Wiring w;
    return w;
}

Result<std::unique_ptr<WaveInput>> makeInput() {
    Wiring& w = wiring();
    if (chosenInput() == InputChoice::System) {
        if (!w.systemInput) {
            return Error{"CUELARK_WAVE_INPUT is 'system' but no system capture is available"};
        }
        std::unique_ptr<WaveInput> input = w.systemInput();
        if (!input) {
            return Error{"the system capture device cannot be opened"};
        }
        return input;
    }
    if (!w.cardFeed) {
        return Error{"the TV card gives no sound"};
    }
    return std::unique_ptr<WaveInput>(std::make_unique<CardFeedInput>(*w.cardFeed));
}

}  // namespace

void setCardFeed(tv::AudioFeed* feed) {
    wiring().cardFeed = feed;
}

void setSystemInputFactory(WaveInputFactory factory) {
    wiring().systemInput = std::move(factory);
}

void setPumpScheduler(std::function<void(bool)> scheduler) {
    wiring().scheduler = std::move(scheduler);
}

InputChoice chosenInput() {
    const char* v = std::getenv("CUELARK_WAVE_INPUT");
    return v && std::strcmp(v, "system") == 0 ? InputChoice::System : InputChoice::CardFeed;
}

MciInterpreter& soundDriver() {
    static MciInterpreter driver(makeInput, [](bool pumping) {
        if (wiring().scheduler) {
            wiring().scheduler(pumping);
        }
    });
    return driver;
}

void pumpAll() {
    soundDriver().pumpAll();
}

std::string lostInputMessage() {
    const std::string& why = soundDriver().lostInput();
    return why.empty() ? std::string() : "input lost: " + why;
}

}  // namespace platform::sound
