#pragma once
// Draws the caption screen over the TV picture as receivers do: text on black
// boxes, each row's box from its first to its last character, in the safe
// area of the 4:3 picture, scaled with it.
#include <QRect>

class QPainter;

namespace platform::captionscreen {

class CaptionScreen;

// The centre 80% of the largest 4:3 rectangle centred in picture: 32 columns
// across it, 15 rows down.
QRect captionSafeArea(const QRect& picture);

// The pixel rectangle of one cell (row 0..14, column 0..31) in that area.
QRect captionCellRect(const QRect& picture, int row, int column);

void paintCaptions(QPainter& painter, const CaptionScreen& screen, const QRect& picture);

}  // namespace platform::captionscreen
