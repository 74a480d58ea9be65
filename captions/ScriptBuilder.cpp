// The script half of cldCCFactory: timed rows and check marks, kept in memory
// and written when the script ends.
#include <charconv>
#include <climits>
#include <cmath>

#include "captions/cldCCFactory.h"

void cldCCFactory::init(int32_t fno_) {
    if (m_nFno != 0) {
        writeScript();
    }
    m_dblStart = m_clock.now();
    m_nState = 2;
    m_sText.clear();
    m_nMode = 0;
    m_nCount = 0;
    m_nFno = fno_;
    m_colLines = {};
    m_colChecks = {};
    m_nLastHigh = 0;
    m_nLastLow = 0;
    m_sLine.clear();
    m_bAllModes = m_bAllModesNext;
    m_screenLines.forget();
}

void cldCCFactory::check() {
    // A line marked twice keeps one mark.
    m_colChecks.insert(m_nCount);
    if (m_listener != nullptr) {
        m_listener->checked(m_nCount);
    }
}

int32_t cldCCFactory::getElapsed() const {
    // Rounded down, never to the nearest: a row never starts before its caption.
    const double centiseconds = std::floor((m_clock.now() - m_dblStart) * 100.0);
    if (centiseconds >= static_cast<double>(INT32_MAX)) {
        return INT32_MAX;
    }
    if (centiseconds <= static_cast<double>(INT32_MIN)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(centiseconds);
}

void cldCCFactory::addToLine(std::string_view text) {
    if (m_nFno == 0) {
        return;
    }
    // The first text of a line is its start time: the line is numbered now.
    if (m_sLine.empty()) {
        ++m_nCount;
    }
    m_sLine.append(text);
}

void cldCCFactory::addNumber(int32_t n, bool withTab) {
    char digits[16] = {};
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits - 1, n);
    char* end = r.ptr;
    if (withTab) {
        *end++ = '\t';
    }
    addToLine(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void cldCCFactory::commitLine() {
    if (m_nFno == 0) {
        return;
    }
    m_colLines.push_back(m_sLine);
    m_sLine.clear();
    if (m_listener != nullptr) {
        m_listener->rowCommitted(m_colLines.back());
    }
}

void cldCCFactory::commitRow(int32_t start, int32_t end, std::string_view text) {
    if (m_nFno == 0) {
        return;
    }
    // Numbered when it opened; a whole row at once, through the same commit.
    char digits[32] = {};
    char* p = std::to_chars(digits, digits + 15, start).ptr;
    *p++ = '\t';
    p = std::to_chars(p, digits + sizeof digits - 1, end).ptr;
    *p++ = '\t';
    m_sLine.assign(digits, static_cast<std::size_t>(p - digits));
    m_sLine.append(text);
    commitLine();
}

void cldCCFactory::writeScript() {
    // A failing row does not stop the rest: whatever can be written is. The
    // first failure is kept for the caller to report.
    m_lastWrite = platform::Status::ok();
    auto note = [this](platform::Status status) {
        if (m_lastWrite && !status) {
            m_lastWrite = std::move(status);
        }
    };
    const std::size_t n = m_colLines.size();
    for (std::size_t i = 1; i <= n; ++i) {
        note(m_files.write(m_nFno, m_colLines[i - 1]));
        // A check marks the line before the one current at the press: the
        // caption just read is the one the viewer means.
        const bool marked = m_colChecks.count(static_cast<int32_t>(i + 1)) != 0;
        note(
            m_files.write(m_nFno, marked ? std::string_view("\t1\r\n") : std::string_view("\r\n")));
    }
    note(m_files.flush(m_nFno));
}
