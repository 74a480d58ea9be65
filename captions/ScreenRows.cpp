// Roll-up lines and paint-on captions as rows of the script, beside the
// pop-on rows: numbered when they open, so a check means the same in every
// mode, and committed when they leave the screen.
#include "captions/cldCCFactory.h"

void cldCCFactory::setAllCaptionModes(bool on) {
    // The screen was not followed while the choice was off: start it blank.
    if (on && !m_bAllModes && !m_bAllModesNext) {
        m_screenLines.reset();
    }
    m_bAllModesNext = on;
}

int32_t cldCCFactory::screenLineOpened() {
    const int32_t t = getElapsed();
    if (!m_bAllModes) {
        return t;
    }
    // Roll-up or paint-on text takes the place of a pop-on caption on display.
    endPopOnCaption(t);
    if (m_nFno != 0) {
        ++m_nCount;
    }
    return t;
}

void cldCCFactory::screenLineClosed(int32_t start, std::string_view text) {
    if (m_bAllModes) {
        commitRow(start, getElapsed(), text);
    }
}

void cldCCFactory::screenErased() {
    if (m_bAllModes) {
        endPopOnCaption(getElapsed());
    }
}
