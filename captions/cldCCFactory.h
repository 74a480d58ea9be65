#pragma once
// The caption decoder and script builder. Line-21 (CEA-608) byte pairs go in
// through decode(); pop-on captions come out as timed script rows, held in
// memory until the script ends and then written through the caller's file.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "platform/core/Result.h"

class cldCCFactory {
public:
    explicit cldCCFactory(const platform::Clock& clock = platform::programClock(),
                          platform::FileTable& files = platform::FileTable::instance());

    // Ends the current script (writing it when a file is attached) and starts
    // a new one on file number fno_ (0: none).
    void init(int32_t fno_);
    // Marks the line current at the press.
    void check();
    // One caption byte pair, parity bits already removed (0..127 each).
    void decode(int32_t high, int32_t low);

    // Whether every row of the last written script reached its file; the
    // message names the file and the system's reason when not.
    const platform::Status& lastWriteStatus() const { return m_lastWrite; }

private:
    const platform::Clock& m_clock;
    platform::FileTable& m_files;
    platform::Status m_lastWrite;
};
