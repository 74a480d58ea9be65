#pragma once
// The fake network tuner's server: plain HTTP/1.1 over QTcpServer on the
// loopback address only, answering with TunerCore and sending each stream's
// packets as its pacer releases them. Time comes from a clock the caller
// may drive; a timer looks at it every few milliseconds.
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <list>
#include <memory>

#include "TunerCore.h"
#include "platform/core/Clock.h"
#include "platform/core/Result.h"

class QTcpSocket;

namespace faketuner {

class FakeTuner : public QObject {
    Q_OBJECT

  public:
    FakeTuner(std::vector<Channel> channels, TunerSettings settings, const platform::Clock& clock,
              QObject* parent = nullptr);
    ~FakeTuner() override;

    // Listens on a loopback address (127.0.0.1 or ::1) and nothing else;
    // port 0 takes any free port.
    platform::Status listen(const QString& address, quint16 port);
    quint16 port() const { return server_.serverPort(); }
    std::string baseUrl() const { return core_.baseUrl(); }

    TunerCore& core() { return core_; }
    // Streams with a connection open.
    int openStreams() const;

    // Sends now whatever is due, without waiting for the timer.
    void pump();

  private:
    struct Client;

    void accept();
    void readFrom(Client& c);
    void serve(Client& c);
    void close(Client& c);
    void sweep();

    const platform::Clock& clock_;
    TunerCore core_;
    QTcpServer server_;
    QTimer tick_;
    std::list<std::unique_ptr<Client>> clients_;
};

}  // namespace faketuner
