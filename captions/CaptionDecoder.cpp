// The decoding half of cldCCFactory: byte pairs in, pop-on captions out.
#include <string_view>

#include "captions/CaptionChars.h"
#include "captions/cldCCFactory.h"

namespace {

bool isControlFirstByte(int32_t high) {
    return high >= 0x10 && high <= 0x1F;
}

// Preamble address codes start a caption row. 0x4F and 0x6F are not among
// them here, so they do nothing.
bool isPreamble(int32_t low) {
    return (low >= 0x40 && low <= 0x4E) || (low >= 0x50 && low <= 0x5F) ||
           (low >= 0x60 && low <= 0x6E) || (low >= 0x70 && low <= 0x7F);
}

// Miscellaneous control codes of data channel 1 and 2.
bool isMiscControl(int32_t high) {
    return high == 0x14 || high == 0x1C;
}

// Mid-row codes and special characters of data channel 1 and 2.
bool isMidRowOrSpecial(int32_t high) {
    return high == 0x11 || high == 0x19;
}

constexpr int32_t kResumeCaptionLoading = 0x20;
constexpr int32_t kRollUp2 = 0x25;
constexpr int32_t kRollUp3 = 0x26;
constexpr int32_t kRollUp4 = 0x27;
constexpr int32_t kResumeDirectCaptioning = 0x29;
constexpr int32_t kEraseDisplayedMemory = 0x2C;
constexpr int32_t kEndOfCaption = 0x2F;

constexpr int32_t kModeRollUp = 1;
constexpr int32_t kModePopOn = 2;
constexpr int32_t kModePaintOn = 3;

// Display states: what the screen shows and whether a caption is loaded.
constexpr int32_t kShowing = 1;           // a caption on display, nothing loaded
constexpr int32_t kEmpty = 2;             // nothing on display, nothing loaded
constexpr int32_t kLoaded = 3;            // nothing on display, a caption loaded
constexpr int32_t kShowingAndLoaded = 4;  // a caption on display and the next loaded

constexpr char kSpace = 32;

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == kSpace) {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == kSpace) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

cldCCFactory::cldCCFactory(const platform::Clock& clock, platform::FileTable& files)
    : m_clock(clock), m_files(files) {}

void cldCCFactory::decode(int32_t high, int32_t low) {
    // The screen is followed before and after a recording too, so that the
    // roll-up window is known when one starts.
    if (m_bAllModes || m_bAllModesNext) {
        m_screenLines.decode(high, low);
    }
    if (isControlFirstByte(high)) {
        if (low < 0x20) {
            m_nLastHigh = 0;
            m_nLastLow = 0;
            return;
        }
        // Broadcasters send each control pair twice in a row; the copy is
        // dropped, and forgotten, so a third copy acts again.
        if (high == m_nLastHigh && low == m_nLastLow) {
            m_nLastHigh = 0;
            m_nLastLow = 0;
            return;
        }
        m_nLastHigh = high;
        m_nLastLow = low;
        controlCode(high, low);
        return;
    }
    m_nLastHigh = 0;
    m_nLastLow = 0;
    if (m_nMode != kModePopOn) {
        return;
    }
    if (high >= 0x20) {
        putChar(mapChar(high));
    }
    if (low >= 0x20) {
        putChar(mapChar(low));
    }
}

void cldCCFactory::controlCode(int32_t high, int32_t low) {
    // Each caption row begins with a preamble; it stands for a space between
    // rows, whatever the mode. When roll-up and paint-on are recorded too,
    // their preambles belong to their own rows, not to a pop-on caption.
    if (isPreamble(low)) {
        if (!m_bAllModes || (m_nMode != kModeRollUp && m_nMode != kModePaintOn)) {
            putChar(kSpace);
        }
        return;
    }
    if (isMiscControl(high)) {
        miscControl(low);
    } else if (isMidRowOrSpecial(high)) {
        midRowOrSpecial(low);
    }
    // Extended characters and tab offsets are ignored.
}

void cldCCFactory::miscControl(int32_t low) {
    switch (low) {
        case kResumeCaptionLoading:
            m_nMode = kModePopOn;
            break;
        case kRollUp2:
        case kRollUp3:
        case kRollUp4:
            m_nMode = kModeRollUp;
            break;
        case kResumeDirectCaptioning:
            m_nMode = kModePaintOn;
            break;
        case kEraseDisplayedMemory:
            if (m_nMode == kModePopOn) {
                markBoundary();
            }
            break;
        case kEndOfCaption:
            // End of caption flips the loaded caption onto the screen. When an
            // erase came first it has already done so and nothing is loaded.
            if (m_nMode == kModePopOn && (m_nState == kLoaded || m_nState == kShowingAndLoaded)) {
                markBoundary();
            }
            break;
        default:
            break;
    }
}

void cldCCFactory::midRowOrSpecial(int32_t low) {
    if (m_nMode != kModePopOn) {
        return;
    }
    // A mid-row code changes colour or style and takes the place of a space.
    if (low >= 0x20 && low <= 0x2F) {
        putChar(kSpace);
        return;
    }
    const int32_t code = MapSpecialChar(low);
    if (code >= 0) {
        putChar(code);
    }
}

int32_t cldCCFactory::mapChar(int32_t code) {
    return MapCaptionChar(code);
}

void cldCCFactory::putChar(int32_t code) {
    if (m_nState == kShowing) {
        m_nState = kShowingAndLoaded;
    } else if (m_nState == kEmpty) {
        m_nState = kLoaded;
    }
    m_sText.push_back(static_cast<char>(static_cast<unsigned char>(code)));
}

void cldCCFactory::markBoundary() {
    // One reading serves as the end of the caption leaving the screen and the
    // start of the one arriving, so consecutive rows meet exactly.
    const int32_t t = getElapsed();
    switch (m_nState) {
        case kShowing:
            closeLine(t);
            m_nState = kEmpty;
            break;
        case kLoaded:
            openLine(t);
            m_nState = kShowing;
            break;
        case kShowingAndLoaded:
            closeLine(t);
            openLine(t);
            m_nState = kShowing;
            break;
        default:
            break;
    }
}

void cldCCFactory::closeLine(int32_t t) {
    addNumber(t, true);
    flushPending();
    commitLine();
}

void cldCCFactory::openLine(int32_t t) {
    // A pop-on caption takes the whole screen: roll-up lines and a paint-on
    // caption still open end here, so rows never overlap in the making.
    if (m_bAllModes) {
        m_screenLines.closeAll();
    }
    addNumber(t, true);
    holdText();
}

void cldCCFactory::endPopOnCaption(int32_t t) {
    // The caption on display leaves the screen; one loaded stays loaded.
    if (m_nState == kShowing) {
        closeLine(t);
        m_nState = kEmpty;
    } else if (m_nState == kShowingAndLoaded) {
        closeLine(t);
        m_nState = kLoaded;
    }
}

void cldCCFactory::holdText() {
    // Swapping keeps both buffers' capacity, so steady decoding allocates
    // nothing once the captions have reached their usual length.
    m_sPending.swap(m_sText);
    m_sText.clear();
}

void cldCCFactory::flushPending() {
    addToLine(trimSpaces(m_sPending));
    m_sPending.clear();
}
