#pragma once
// The network card's channel slots 1..125: which channel of the source (a
// tuner's GuideNumber, a playlist entry, a file name: a key) sits in which
// slot. The program's channel flags are kept per slot, so a channel keeps
// its slot from scan to scan: the first scan numbers the channels in guide
// order; later scans keep the slots of channels already known and give new
// ones the lowest free slot. A known channel the scan did not find keeps its
// slot while it is not needed (weak stations come and go); when there is no
// free slot left, a new channel takes the lowest slot of such a missing one.
// Beyond 125 channels the rest are left out, and the scan says which.
//
// Stored in the card's settings file in a section of its own, one key per
// slot ("7=2.1"; an empty value frees the slot).
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform::tv::stream {

constexpr int kSlotCount = 125;
constexpr const char* kSlotSection = "slots";

// Guide order: numbers compared part by part numerically ("2.1" < "2.10" <
// "10.1"); any other text in a key compared as text, digits in runs as
// numbers ("ch9" < "ch10").
bool guideOrderLess(std::string_view a, std::string_view b);

class SlotMap {
  public:
    // The key in slot (1..125), empty when the slot is free.
    const std::string& keyAt(int slot) const;
    // The slot of key, or nothing.
    std::optional<int> slotOf(std::string_view key) const;
    bool empty() const;

    struct ScanResult {
        std::vector<int> found;            // slots of the channels found, ascending
        std::vector<std::string> leftOut;  // channels for which no slot was left
    };
    // A scan found these channels (duplicates count once). With no channel
    // known yet they are numbered in the order given (sort them into guide
    // order first where that is the source's order).
    ScanResult assign(const std::vector<std::string>& keys);

    // Reading from / writing to the settings file's [slots] section.
    // Keys with line breaks cannot be stored and are refused.
    static Result<SlotMap> read(const std::string& path);
    Status write(const std::string& path) const;

    // The same, on the file's text.
    static SlotMap fromText(std::string_view text);
    Result<std::string> toText(std::string_view text) const;

  private:
    std::array<std::string, kSlotCount + 1> keys_{};
};

}  // namespace platform::tv::stream
