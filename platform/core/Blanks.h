#pragma once
// Blanks (spaces and tabs) around hand-typed text: settings lines, numbers.
#include <string_view>

namespace platform {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace platform
