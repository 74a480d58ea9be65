// Makes the program's card the switching card, which plays the simulated
// card or the network card for the source in tvcard.ini. It outranks the
// simulated card's own default. The linker keeps this file through the
// symbol below, which every program linking cl_tv_net_default asks for.
#include "platform/tv/CardFactory.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/tv/SwitchingCard.h"
#include "platform/tv/net/NetworkCard.h"
#include "platform/tv/net/SourceDialog.h"
#include "platform/tv/stream/CardSource.h"

namespace {

using platform::tv::TvCard;

platform::Result<std::unique_ptr<TvCard>> makeCardFor(const std::string& settingsPath,
                                                      const std::string& value) {
    platform::Result<platform::tv::stream::CardSource> source =
        platform::tv::stream::parseCardSource(value);
    if (!source) {
        return platform::Error{source.message()};
    }
    if (source.value().kind == platform::tv::stream::SourceKind::Simulated) {
        return std::unique_ptr<TvCard>(std::make_unique<platform::tv::SimulatedCard>());
    }
    return std::unique_ptr<TvCard>(
        std::make_unique<platform::tv::net::NetworkCard>(source.value(), settingsPath));
}

std::unique_ptr<TvCard> makeProgramCard() {
    const std::string settings = platform::tv::SwitchingCard::defaultSettingsPath();
    return std::make_unique<platform::tv::SwitchingCard>(
        settings, [settings](const std::string& value) { return makeCardFor(settings, value); },
        &platform::tv::net::askForSource, &platform::tv::net::reportSourceProblem);
}

struct InstallDefault {
    InstallDefault() { platform::tv::setDefaultCardFactory(&makeProgramCard, 1); }
};
const InstallDefault installDefault;

}  // namespace

extern "C" {
extern const int cuelark_network_card_default;
const int cuelark_network_card_default = 1;
}
