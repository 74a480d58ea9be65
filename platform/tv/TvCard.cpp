#include "platform/tv/TvCard.h"

#include "platform/tv/CardFactory.h"

namespace platform::tv {
namespace {

class AbsentCard final : public TvCard {
  public:
    Status DVALoad(intptr_t) override {
        return Error{"Cannot load the TV card library: no card library is built into this program"};
    }
    int32_t DVATuneChannels(int32_t) override { return 0; }
    int32_t DVAAudioSetVolume(int32_t, int32_t) override { return 0; }
    int32_t DVASetProperty(int32_t, int32_t, int32_t) override { return 0; }
    int32_t DVATuneSetChannel(int32_t, int16_t) override { return 0; }
    int32_t DVATuneScan(int32_t, ScanCallback) override { return 0; }
    int32_t DVAFree() override { return 0; }
    HWND CreateVideoWindow(HWND, intptr_t, const Rect&) override { return 0; }
};

// Constant-initialised, so a factory installed during static initialisation
// of another library is never overwritten.
CardFactory g_defaultFactory = nullptr;
int g_defaultRank = 0;

std::unique_ptr<TvCard>& slot() {
    static std::unique_ptr<TvCard> card;
    return card;
}

}  // namespace

void setDefaultCardFactory(CardFactory factory, int rank) {
    if (g_defaultFactory != nullptr && rank < g_defaultRank) {
        return;
    }
    g_defaultFactory = factory;
    g_defaultRank = rank;
}

std::unique_ptr<TvCard> makeDefaultCard() {
    if (g_defaultFactory != nullptr) {
        return g_defaultFactory();
    }
    return std::make_unique<AbsentCard>();
}

TvCard& currentCard() {
    std::unique_ptr<TvCard>& card = slot();
    if (!card) {
        card = makeDefaultCard();
    }
    return *card;
}

void setCurrentCard(std::unique_ptr<TvCard> card) {
    slot() = std::move(card);
}

void releaseCurrentCard() {
    slot() = std::make_unique<AbsentCard>();
}

}  // namespace platform::tv
