#pragma once
// The card's own box while it scans: what it is doing, how many channels it
// found and how far it is, and Cancel. While the box is up the program's
// windows are repainted but get no other event (see BlockingCallGate): to
// the program the scan is one call that returns when it is over.
#include <QDialog>
#include <QPointer>
#include <functional>

class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;

namespace platform::tv::net {

class ScanBox final : public QDialog {
    Q_OBJECT
  public:
    explicit ScanBox(QWidget* parent);
    ~ScanBox() override;

    // Called once when the user cancels (the button, Escape, the close box).
    void setCancelHandler(std::function<void()> cancel) { onCancel_ = std::move(cancel); }

    // percent < 0: not known yet.
    void setProgress(int percent, int found);
    void setStatus(const QString& text);

    // Shows the box and runs the thread's events until finish().
    void runUntilFinished();
    void finish();

    bool cancelled() const { return cancelled_; }
    QString statusText() const;
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void reject() override;

  private:
    QLabel* status_ = nullptr;
    QLabel* found_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::function<void()> onCancel_;
    QPointer<QEventLoop> loop_;
    bool finished_ = false;
    bool cancelled_ = false;
};

}  // namespace platform::tv::net
