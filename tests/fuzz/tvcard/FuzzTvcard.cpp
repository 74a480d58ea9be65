// The card's settings file tvcard.ini as a hand edit might leave it: the
// Source line reads as a source or a clear refusal, a source written back
// reads the same, and the slot map survives being stored and read again,
// also after a scan of channels named by whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ProfileText.h"
#include "platform/tv/stream/CardSource.h"
#include "platform/tv/stream/SlotMap.h"

namespace {

using namespace platform::tv::stream;

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void sameMap(const SlotMap& a, const SlotMap& b) {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        require(a.keyAt(slot) == b.keyAt(slot));
    }
}

// The map stored into text and read back is the same map, and every other
// key of the file is untouched.
void roundTrip(const SlotMap& map, std::string_view text) {
    const platform::Result<std::string> stored = map.toText(text);
    if (!stored) {
        return;  // a key the file cannot hold: refused, nothing written
    }
    sameMap(SlotMap::fromText(stored.value()), map);
    require(platform::findProfileValue(stored.value(), kCardSection, kSourceKey) ==
            platform::findProfileValue(text, kCardSection, kSourceKey));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const std::optional<std::string> value =
            platform::findProfileValue(text, kCardSection, kSourceKey)) {
        const platform::Result<CardSource> source = parseCardSource(*value);
        if (!source) {
            require(!source.message().empty());
        } else {
            const std::string again = formatCardSource(source.value());
            require(parseCardSource(again).value() == source.value());
            const platform::Result<std::string> written =
                platform::setProfileValue(text, kCardSection, kSourceKey, again);
            if (written) {
                const auto reread =
                    platform::findProfileValue(written.value(), kCardSection, kSourceKey);
                require(reread && parseCardSource(*reread).value() == source.value());
            }
        }
    }

    SlotMap map = SlotMap::fromText(text);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const std::string& key = map.keyAt(slot);
        require(key.empty() || map.slotOf(key) == slot);
    }
    roundTrip(map, text);

    // A scan finding channels named by pieces of the file: known ones keep
    // their slots, every one found has a slot or is left out.
    std::vector<std::string> keys;
    for (std::size_t at = 0; at < text.size(); at += 7) {
        keys.emplace_back(text.substr(at, 5));
    }
    const SlotMap before = map;
    const SlotMap::ScanResult scan = map.assign(keys);
    for (const std::string& key : keys) {
        if (const std::optional<int> slot = before.slotOf(key)) {
            require(map.slotOf(key) == slot);
        }
        bool out = false;
        for (const std::string& left : scan.leftOut) {
            out = out || left == key;
        }
        require(key.empty() || out || map.slotOf(key).has_value());
    }
    roundTrip(map, text);
    return 0;
}
