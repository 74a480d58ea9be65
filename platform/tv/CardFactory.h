#pragma once
// Which card currentCard() makes when nobody set one. Linking cl_tv makes the
// simulated card the default; without it the default is an absent card whose
// DVALoad fails, as a missing card library would.
#include <memory>

#include "platform/tv/TvCard.h"

namespace platform::tv {

using CardFactory = std::unique_ptr<TvCard> (*)();

void setDefaultCardFactory(CardFactory factory);
std::unique_ptr<TvCard> makeDefaultCard();

}  // namespace platform::tv
