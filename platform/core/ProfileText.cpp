#include "platform/core/ProfileText.h"

#include <cstddef>

#include "platform/core/Blanks.h"

namespace platform {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

enum class LineKind { Other = 1, Section, Key };

// One line of the text: [begin, contentEnd) without its line end, next is
// where the following line begins.
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t next = 0;
    bool hasNewline = false;
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name
    std::string_view value;  // key lines only, still quoted
};

Line readLine(std::string_view text, std::size_t begin) {
    Line line;
    line.begin = begin;
    const std::size_t nl = text.find('\n', begin);
    line.hasNewline = nl != std::string_view::npos;
    line.next = line.hasNewline ? nl + 1 : text.size();
    line.contentEnd = line.hasNewline ? nl : text.size();
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r') {
        --line.contentEnd;
    }
    const std::string_view content = trimBlanks(text.substr(begin, line.contentEnd - line.begin));
    if (content.empty() || content.front() == ';' || content.front() == '#') {
        return line;
    }
    if (content.front() == '[') {
        const std::size_t close = content.find(']');
        line.kind = LineKind::Section;
        line.name =
            trimBlanks(content.substr(1, close == std::string_view::npos ? close : close - 1));
        return line;
    }
    const std::size_t eq = content.find('=');
    if (eq != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.name = trimBlanks(content.substr(0, eq));
        line.value = trimBlanks(content.substr(eq + 1));
    }
    return line;
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool needsQuotes(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    return isBlank(value.front()) || isBlank(value.back()) ||
           (value.size() >= 2 && value.front() == '"' && value.back() == '"');
}

std::string_view lineEndOf(std::string_view text) {
    const std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') {
        return "\r\n";
    }
    return "\n";
}

std::string refuseName(std::string_view what, std::string_view name, std::string_view why) {
    return "Cannot store " + std::string(what) + " '" + std::string(name) +
           "': " + std::string(why);
}

std::optional<std::string> checkNames(std::string_view section, std::string_view key,
                                      std::string_view value) {
    if (section.empty() || trimBlanks(section).size() != section.size()) {
        return refuseName("section", section, "empty or blank at an edge");
    }
    if (hasLineBreak(section) || section.find(']') != std::string_view::npos) {
        return refuseName("section", section, "contains a line break or ']'");
    }
    if (key.empty() || trimBlanks(key).size() != key.size()) {
        return refuseName("key", key, "empty or blank at an edge");
    }
    if (hasLineBreak(key) || key.find('=') != std::string_view::npos || key.front() == ';' ||
        key.front() == '#' || key.front() == '[') {
        return refuseName("key", key,
                          "contains a line break or '=', or starts with ';', '#' or '['");
    }
    if (hasLineBreak(value)) {
        return refuseName("the value of key", key, "contains a line break");
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> findProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
    bool inSection = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = readLine(text, pos);
        pos = line.next;
        if (line.kind == LineKind::Section) {
            inSection = sameName(line.name, section);
        } else if (inSection && line.kind == LineKind::Key && sameName(line.name, key)) {
            return unquote(line.value);
        }
    }
    return std::nullopt;
}

Result<std::string> setProfileValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value) {
    if (auto refusal = checkNames(section, key, value)) {
        return Error{*refusal};
    }
    std::string keyLine(key);
    keyLine += '=';
    if (needsQuotes(value)) {
        keyLine += '"';
        keyLine += value;
        keyLine += '"';
    } else {
        keyLine += value;
    }

    const std::string_view eol = lineEndOf(text);
    bool inSection = false;
    bool inFirstSection = false;
    bool sectionSeen = false;
    // Where a new key goes: after the last key line of the first matching
    // section, or after its header when it has none.
    Line insertAfter;
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = readLine(text, pos);
        pos = line.next;
        if (line.kind == LineKind::Section) {
            inSection = sameName(line.name, section);
            inFirstSection = inSection && !sectionSeen;
            if (inFirstSection) {
                sectionSeen = true;
                insertAfter = line;
            }
            continue;
        }
        if (!inSection || line.kind != LineKind::Key) {
            continue;
        }
        if (sameName(line.name, key)) {
            std::string out;
            out.reserve(text.size() + keyLine.size());
            out.append(text.substr(0, line.begin));
            out.append(keyLine);
            out.append(text.substr(line.contentEnd));
            return out;
        }
        if (inFirstSection) {
            insertAfter = line;
        }
    }

    // A last line ending in a lone CR has half its line end: an LF
    // completes it. Another CR LF after it would make the CR part of the
    // line, and of the value of a key there.
    const auto endLastLine = [&](std::string& out) {
        if (!out.empty() && out.back() == '\r') {
            out += '\n';
        } else {
            out.append(eol);
        }
    };
    std::string out;
    out.reserve(text.size() + section.size() + keyLine.size() + 8);
    if (sectionSeen) {
        out.append(text.substr(0, insertAfter.next));
        if (!insertAfter.hasNewline) {
            endLastLine(out);
        }
        out.append(keyLine);
        out.append(eol);
        out.append(text.substr(insertAfter.next));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != '\n') {
        endLastLine(out);
    }
    out += '[';
    out.append(section);
    out += ']';
    out.append(eol);
    out.append(keyLine);
    out.append(eol);
    return out;
}

}  // namespace platform
