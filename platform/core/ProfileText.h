#pragma once
// The text of a profile (INI) file, read and edited in memory. Kept apart
// from the file itself so that every rule here can be tested on strings.
//
// How a hand-edited file is read:
//  - Lines end in LF or CR LF; both may appear in one file.
//  - A line whose first non-blank character is '[' is a section header; the
//    name runs to the first ']' (or the line's end) with blanks trimmed.
//  - A line whose first non-blank character is ';' or '#' is a comment.
//  - Any other line with an '=' is a key line: the key is the text before the
//    first '=', the value the text after it, both with blanks (space, tab)
//    trimmed at either end. A value wholly inside one pair of double quotes
//    loses the quotes ("  x  " keeps its inner blanks). Nothing else is
//    unquoted or unescaped; ';' inside a value is part of it.
//  - Lines without '=' and lines before the first header are ignored.
//  - Section and key names match without regard to ASCII case. A section may
//    appear more than once; its keys are searched in file order, and the
//    first matching key line wins.
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform {

// The value of key in section, or nothing when either is missing.
std::optional<std::string> findProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// The text with key in section set to value. The first matching key line is
// rewritten in place, keeping its line end; a new key goes after the last
// key line of the first matching section; a missing section is appended at
// the end. Every other byte stays as it was. New lines use the file's first
// line end (LF for a file that has none).
//
// Names and values that the file could not hold are refused, so that no
// write can add or break a line: a line break in any of them, an empty or
// blank-edged name, ']' in a section name, '=' in a key or a key starting
// with ';', '#' or '['. Values with blanks at an edge, or that begin and end
// with '"', are written inside quotes so that they read back unchanged.
Result<std::string> setProfileValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value);

}  // namespace platform
