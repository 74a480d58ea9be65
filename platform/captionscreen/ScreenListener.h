#pragma once
// What a caption screen tells about its displayed memory, each time just
// before the change, so that what is about to go can still be read from the
// screen: a script can then turn roll-up lines and paint-on captions into
// rows, each written once, when it leaves.
#include <cstdint>

namespace platform::captionscreen {

class ScreenListener {
  public:
    // A character (0 for a transparent space) is about to be written on the
    // displayed memory at row, column: roll-up and paint-on styles only.
    virtual void writing(int row, int column, char32_t ch) = 0;
    // The roll-up window is about to move up one row; its top row goes.
    virtual void scrolling() = 0;
    // Rows fromRow..toRow of the displayed memory are about to be erased.
    virtual void erasing(int fromRow, int toRow) = 0;
    // End of caption: the displayed memory is about to trade places with the
    // one built off screen.
    virtual void replacing() = 0;

  protected:
    ~ScreenListener() = default;
};

}  // namespace platform::captionscreen
