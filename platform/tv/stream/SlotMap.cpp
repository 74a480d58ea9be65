#include "platform/tv/stream/SlotMap.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/core/ProfileText.h"
#include "platform/core/WholeFile.h"

namespace platform::tv::stream {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view run(std::string_view s, std::size_t& pos) {
    const std::size_t from = pos;
    const bool digits = isDigit(s[pos]);
    while (pos < s.size() && isDigit(s[pos]) == digits) {
        ++pos;
    }
    return s.substr(from, pos - from);
}

// <0, 0, >0 as a run of digits a compares with b by value.
int compareNumbers(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0') {
        a.remove_prefix(1);
    }
    while (b.size() > 1 && b.front() == '0') {
        b.remove_prefix(1);
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool guideOrderLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = isDigit(a[i]);
        const bool db = isDigit(b[j]);
        if (da != db) {
            return da;  // numbers before text
        }
        const std::string_view ra = run(a, i);
        const std::string_view rb = run(b, j);
        const int c = da ? compareNumbers(ra, rb) : compareText(ra, rb);
        if (c != 0) {
            return c < 0;
        }
    }
    if ((i < a.size()) != (j < b.size())) {
        return j < b.size();  // a prefix comes first
    }
    return a < b;  // "02" and "2": any fixed order will do
}

const std::string& SlotMap::keyAt(int slot) const {
    static const std::string none;
    return slot >= 1 && slot <= kSlotCount ? keys_[static_cast<std::size_t>(slot)] : none;
}

std::optional<int> SlotMap::slotOf(std::string_view key) const {
    if (key.empty()) {
        return std::nullopt;
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (keys_[static_cast<std::size_t>(slot)] == key) {
            return slot;
        }
    }
    return std::nullopt;
}

bool SlotMap::empty() const {
    return std::all_of(keys_.begin(), keys_.end(), [](const std::string& k) { return k.empty(); });
}

SlotMap::ScanResult SlotMap::assign(const std::vector<std::string>& keys) {
    ScanResult result;
    std::vector<std::string> scanned;
    std::set<std::string, std::less<>> seen;
    for (const std::string& key : keys) {
        if (!key.empty() && seen.insert(key).second) {
            scanned.push_back(key);
        }
    }
    std::vector<std::string> fresh;
    for (const std::string& key : scanned) {
        if (const std::optional<int> slot = slotOf(key)) {
            result.found.push_back(*slot);
        } else {
            fresh.push_back(key);
        }
    }
    for (const std::string& key : fresh) {
        int slot = 0;
        for (int s = 1; s <= kSlotCount && slot == 0; ++s) {
            if (keys_[static_cast<std::size_t>(s)].empty()) {
                slot = s;
            }
        }
        // No slot free: one whose channel this scan did not find gives way.
        for (int s = 1; s <= kSlotCount && slot == 0; ++s) {
            if (!seen.contains(keys_[static_cast<std::size_t>(s)])) {
                slot = s;
            }
        }
        if (slot == 0) {
            result.leftOut.push_back(key);
            continue;
        }
        keys_[static_cast<std::size_t>(slot)] = key;
        result.found.push_back(slot);
    }
    std::sort(result.found.begin(), result.found.end());
    return result;
}

SlotMap SlotMap::fromText(std::string_view text) {
    SlotMap map;
    std::set<std::string, std::less<>> seen;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        std::optional<std::string> key = findProfileValue(text, kSlotSection, std::to_string(slot));
        // A hand-edited file may name a channel twice: the first slot keeps it.
        if (key && !key->empty() && seen.insert(*key).second) {
            map.keys_[static_cast<std::size_t>(slot)] = std::move(*key);
        }
    }
    return map;
}

Result<std::string> SlotMap::toText(std::string_view text) const {
    std::string out(text);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const std::string name = std::to_string(slot);
        const std::string& key = keys_[static_cast<std::size_t>(slot)];
        const std::optional<std::string> stored = findProfileValue(out, kSlotSection, name);
        if (stored.value_or(std::string()) == key) {
            continue;  // unchanged, or free and never stored
        }
        Result<std::string> next = setProfileValue(out, kSlotSection, name, key);
        if (!next) {
            return Error{"Cannot store channel slot " + name + ": " + next.message()};
        }
        out = std::move(next.value());
    }
    return out;
}

Result<SlotMap> SlotMap::read(const std::string& path) {
    const Result<FileRead> file = readWholeFile(path);
    if (!file) {
        return Error{file.message()};
    }
    return fromText(file.value().contents);
}

Status SlotMap::write(const std::string& path) const {
    const Result<FileRead> file = readWholeFile(path);
    if (!file) {
        // Rewriting a file we could not read would lose what it holds.
        return Error{file.message()};
    }
    Result<std::string> text = toText(file.value().contents);
    if (!text) {
        return Error{text.message() + " in '" + path + "'"};
    }
    return replaceWholeFile(path, text.value());
}

}  // namespace platform::tv::stream
