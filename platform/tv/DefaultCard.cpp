// Makes the simulated card the one currentCard() hands out when nobody set
// another. The linker keeps this file through the symbol below, which
// every program linking cl_tv asks for.
#include "platform/tv/CardFactory.h"
#include "platform/tv/SimulatedCard.h"

namespace {

std::unique_ptr<platform::tv::TvCard> makeSimulatedCard() {
    return std::make_unique<platform::tv::SimulatedCard>();
}

struct InstallDefault {
    InstallDefault() { platform::tv::setDefaultCardFactory(&makeSimulatedCard); }
};
const InstallDefault installDefault;

}  // namespace

extern "C" {
extern const int cuelark_simulated_card_default;
const int cuelark_simulated_card_default = 1;
}
