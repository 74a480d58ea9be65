#pragma once
// The caption decoder and script builder. Line-21 (CEA-608) byte pairs go in
// through decode(); pop-on captions come out as timed script rows, held in
// memory until the script ends and then written through the caller's file.
// With every caption mode chosen, roll-up lines and paint-on captions of data
// channel 1 become rows as well.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "captions/ScreenLines.h"
#include "captions/ScriptListener.h"
#include "platform/core/Clock.h"
#include "platform/core/FileTable.h"
#include "platform/core/Result.h"

class cldCCFactory : private captions::ScreenLineSink {
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
    // Whether roll-up and paint-on captions get rows too. It counts from the
    // next init, so a script keeps the choice it started with.
    void setAllCaptionModes(bool on);
    // The choice the next script will start with.
    bool allCaptionModes() const { return m_bAllModesNext; }

    // Hears every committed row and recorded check from now on (nullptr: none).
    void setScriptListener(ScriptListener* listener) { m_listener = listener; }

    // Whether every row of the last written script reached its file; the
    // message names the file and the system's reason when not.
    const platform::Status& lastWriteStatus() const { return m_lastWrite; }

  private:
    // Decoder.
    void controlCode(int32_t high, int32_t low);
    void miscControl(int32_t low);
    void midRowOrSpecial(int32_t low);
    static int32_t mapChar(int32_t code);
    void putChar(int32_t code);
    void markBoundary();
    void closeLine(int32_t t);
    void openLine(int32_t t);
    void holdText();
    void flushPending();
    void endPopOnCaption(int32_t t);

    // Roll-up lines and paint-on captions, when every mode is recorded.
    int32_t screenLineOpened() override;
    void screenLineClosed(int32_t start, std::string_view text) override;
    void screenErased() override;

    // Script builder.
    int32_t getElapsed() const;
    void addToLine(std::string_view text);
    void addNumber(int32_t n, bool withTab);
    void commitLine();
    void commitRow(int32_t start, int32_t end, std::string_view text);
    void writeScript();

    const platform::Clock& m_clock;
    platform::FileTable& m_files;
    platform::Status m_lastWrite;
    ScriptListener* m_listener = nullptr;

    int32_t m_nMode = 0;      // 0 none, 1 roll-up, 2 pop-on, 3 paint-on
    int32_t m_nState = 2;     // what is on screen; see markBoundary
    std::string m_sText;      // the caption being loaded
    std::string m_sPending;   // the caption on display
    int32_t m_nLastHigh = 0;  // the last control pair acted on, 0 0 for none
    int32_t m_nLastLow = 0;
    bool m_bAllModes = false;      // this script records roll-up and paint-on too
    bool m_bAllModesNext = false;  // the choice for the next script
    captions::ScreenLines m_screenLines{*this};

    // Seconds on the monotonic clock when the script started; double, so a
    // long recording keeps centisecond resolution.
    double m_dblStart = 0.0;
    int32_t m_nFno = 0;                       // the script's file number, 0 when idle
    int32_t m_nCount = 0;                     // the number of the line open now (or last)
    std::vector<std::string> m_colLines;      // line k is entry k - 1
    std::string m_sLine;                      // the line under construction
    std::unordered_set<int32_t> m_colChecks;  // line numbers current at a check
};
