#pragma once
// While a card call that the program sees as blocking runs its own event
// loop (a scan that takes minutes), the program's windows are repainted but
// get nothing else: no input and no timer ticks reach them, so nothing of
// the program runs until the call returns, as if the thread were blocked.
// The card's own windows (given) and everything that is not a window (the
// network, the sound) go on as usual.
#include <QObject>
#include <QPointer>
#include <vector>

class QWidget;

namespace platform::tv::net {

class BlockingCallGate final : public QObject {
  public:
    // Installs itself on the application until destroyed.
    explicit BlockingCallGate(std::vector<QWidget*> allowed);
    ~BlockingCallGate() override;

    // Whether the event would reach its receiver (the filter's answer).
    bool lets(QObject* receiver, const QEvent* event) const;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    bool isAllowed(QObject* receiver) const;

    std::vector<QPointer<QWidget>> allowed_;
};

}  // namespace platform::tv::net
