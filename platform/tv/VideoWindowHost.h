#pragma once
// The video window the program holds while the card behind it may change:
// an empty child of class "ATIVideoWindow" whose messages go to its handler,
// and whose size the window of the card in use inside it follows.
#include <QWidget>
#include <functional>

#include "platform/win/Win.h"

namespace platform::tv {

class VideoWindowHost final : public QWidget {
    Q_OBJECT
  public:
    using MessageHandler = std::function<void(win::UINT msg, win::WPARAM wParam, win::LPARAM)>;
    using ResizeHandler = std::function<void(int width, int height)>;

    explicit VideoWindowHost(QWidget* parent);
    ~VideoWindowHost() override;

    void setMessageHandler(MessageHandler h) { handler_ = std::move(h); }
    void setResizeHandler(ResizeHandler h) { resized_ = std::move(h); }

  protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    MessageHandler handler_;
    ResizeHandler resized_;
};

}  // namespace platform::tv
