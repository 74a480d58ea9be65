#pragma once
// Hears the script as it is built: every row as it is committed and every
// check as it is recorded, so a recording's rows can be kept on disk while
// it runs (the script file itself is written at the stop).
#include <cstdint>
#include <string_view>

class ScriptListener {
  public:
    virtual ~ScriptListener() = default;
    // A committed row as the script will hold it: start, tab, end, tab, text.
    virtual void rowCommitted(std::string_view row) = 0;
    // A check while line number `line` was the current one (0: none yet).
    virtual void checked(int32_t line) = 0;
};
