#pragma once
// Which card currentCard() makes when nobody set one. Linking cl_tv makes the
// simulated card the default, and linking the network card's library (as the
// program does) the card that switches between it and network sources;
// without either the default is an absent card whose DVALoad fails, as a
// missing card library would.
#include <memory>

#include "platform/tv/TvCard.h"

namespace platform::tv {

using CardFactory = std::unique_ptr<TvCard> (*)();

// A factory of a higher rank is not replaced by one of a lower rank, whatever
// the order in which libraries install theirs.
void setDefaultCardFactory(CardFactory factory, int rank = 0);
std::unique_ptr<TvCard> makeDefaultCard();

}  // namespace platform::tv
