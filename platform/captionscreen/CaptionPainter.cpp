#include "platform/captionscreen/CaptionPainter.h"

#include <algorithm>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "platform/captionscreen/CaptionScreen.h"

namespace platform::captionscreen {

namespace {

QColor toQColor(Colour colour) {
    switch (colour) {
        case Colour::White:
            return QColor(255, 255, 255);
        case Colour::Green:
            return QColor(0, 255, 0);
        case Colour::Blue:
            return QColor(0, 0, 255);
        case Colour::Cyan:
            return QColor(0, 255, 255);
        case Colour::Red:
            return QColor(255, 0, 0);
        case Colour::Yellow:
            return QColor(255, 255, 0);
        case Colour::Magenta:
            return QColor(255, 0, 255);
    }
    return QColor(255, 255, 255);
}

// Columns from the first to the last cell with something written; false for
// a row with nothing in it.
bool rowExtent(const Row& row, int& first, int& last) {
    first = -1;
    last = -1;
    for (int column = 0; column < kColumns; ++column) {
        if (!row[column].isEmpty()) {
            if (first < 0) {
                first = column;
            }
            last = column;
        }
    }
    return first >= 0;
}

// One font for the whole screen: its height follows the row, and it is
// widened (or narrowed) until a character fills most of its column, as the
// blocky caption fonts of receivers do.
QFont captionFont(const QRect& cell) {
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(std::max(1, cell.height() * 4 / 5));
    const int advance = QFontMetrics(font).horizontalAdvance(QLatin1Char('M'));
    if (advance > 0) {
        font.setStretch(std::clamp(100 * cell.width() * 9 / 10 / advance, 50, 200));
    }
    return font;
}

void paintCell(QPainter& painter, const Cell& cell, const QRect& rect, QFont& font) {
    const QColor colour = toQColor(cell.colour);
    if (cell.ch == kSolidBlock) {
        painter.fillRect(rect, colour);
    } else if (cell.ch != U' ') {
        font.setItalic(cell.italic);
        painter.setFont(font);
        painter.setPen(colour);
        const char32_t ch = cell.ch;
        painter.drawText(rect, Qt::AlignCenter, QString::fromUcs4(&ch, 1));
    }
    if (cell.underline) {
        const int thickness = std::max(1, rect.height() / 12);
        painter.fillRect(QRect(rect.left(), rect.bottom() - 2 * thickness, rect.width(), thickness),
                         colour);
    }
}

}  // namespace

QRect captionSafeArea(const QRect& picture) {
    int width = picture.width();
    int height = picture.height();
    if (width * 3 > height * 4) {
        width = height * 4 / 3;
    } else {
        height = width * 3 / 4;
    }
    const int safeWidth = width * 8 / 10;
    const int safeHeight = height * 8 / 10;
    const QPoint centre = picture.center();
    return QRect(centre.x() - safeWidth / 2 + 1, centre.y() - safeHeight / 2 + 1, safeWidth,
                 safeHeight);
}

QRect captionCellRect(const QRect& picture, int row, int column) {
    const QRect safe = captionSafeArea(picture);
    // Edges from the scaled grid lines, so cells tile the area without gaps.
    const int left = safe.left() + safe.width() * column / kColumns;
    const int right = safe.left() + safe.width() * (column + 1) / kColumns;
    const int top = safe.top() + safe.height() * row / kRows;
    const int bottom = safe.top() + safe.height() * (row + 1) / kRows;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void paintCaptions(QPainter& painter, const CaptionScreen& screen, const QRect& picture) {
    if (picture.width() < kColumns || picture.height() < kRows) {
        return;
    }
    painter.save();
    QFont font = captionFont(captionCellRect(picture, 0, 0));
    const Grid& grid = screen.displayed();
    for (int row = 0; row < kRows; ++row) {
        int first = 0;
        int last = 0;
        if (!rowExtent(grid[row], first, last)) {
            continue;
        }
        const QRect box =
            captionCellRect(picture, row, first).united(captionCellRect(picture, row, last));
        painter.fillRect(box, Qt::black);
        for (int column = first; column <= last; ++column) {
            const Cell& cell = grid[row][column];
            if (cell.isEmpty()) {
                continue;
            }
            paintCell(painter, cell, captionCellRect(picture, row, column), font);
        }
    }
    painter.restore();
}

}  // namespace platform::captionscreen
