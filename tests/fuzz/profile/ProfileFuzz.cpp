// An arbitrary settings file, key and value: storing the value and reading it
// back gives the value, every other key reads as before, and only one stretch
// of the file changes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ProfileText.h"

namespace {

void require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Every word before an '=' or inside '[' ']' is worth probing, whether or not
// the reader counts it as a key or a section.
void collectNames(std::string_view text, std::vector<std::string>& sections,
                  std::vector<std::string>& keys) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            nl = text.size();
        }
        std::string_view line = trimBlanks(text.substr(pos, nl - pos));
        pos = nl + 1;
        if (!line.empty() && line.front() == '[') {
            sections.emplace_back(trimBlanks(line.substr(1, line.find(']') - 1)));
        } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
            keys.emplace_back(trimBlanks(line.substr(0, eq)));
        }
    }
}

std::string_view nextField(std::string_view& rest) {
    const std::size_t cut = rest.find('\0');
    const std::string_view field = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return field;
}

}  // namespace

// Input: file text, NUL, section, NUL, key, NUL, value.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view text = nextField(rest);
    std::string_view section = nextField(rest);
    const std::string_view key = nextField(rest);
    const std::string_view value = rest;
    if (section.empty()) {
        section = "global";
    }

    const platform::Result<std::string> written =
        platform::setProfileValue(text, section, key, value);
    if (!written) {
        return 0;  // refused: nothing to compare
    }
    const std::string& after = written.value();
    require(platform::findProfileValue(after, section, key) == std::string(value));

    std::vector<std::string> sections{std::string(section), "global"};
    std::vector<std::string> keys{std::string(key), "SaveDir", "Channels1"};
    collectNames(text, sections, keys);
    for (const std::string& s : sections) {
        for (const std::string& k : keys) {
            if (sameName(s, section) && sameName(k, key)) {
                continue;
            }
            require(platform::findProfileValue(text, s, k) ==
                    platform::findProfileValue(after, s, k));
        }
    }

    // One stretch changed: what comes before and after it is the old text.
    std::size_t head = 0;
    while (head < text.size() && head < after.size() && text[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < text.size() - head && tail < after.size() - head &&
           text[text.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    require(after.size() - head - tail <= key.size() + value.size() + section.size() + 16);

    // Storing the same value again changes nothing.
    const platform::Result<std::string> again =
        platform::setProfileValue(after, section, key, value);
    require(again.isOk() && again.value() == after);
    return 0;
}
