#pragma once
// Finds network tuners for the Source dialog: asks a typed address for its
// discover.json, and broadcasts the tuners' discovery request on the local
// network (UDP, port 65001), collecting the answers for a moment. Each tuner
// found is told once, by its address.
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <set>
#include <string>

class QUdpSocket;

namespace platform::tv::net {

class HttpClient;

struct FoundTuner {
    std::string address;  // "http://192.168.1.20:80"
    std::string name;     // "HDHR5-4K (1050ABCD)", or the address
};

class TunerFinder final : public QObject {
  public:
    explicit TunerFinder(QObject* parent = nullptr);
    ~TunerFinder() override;

    // Where the discovery request goes: the local network's broadcast
    // address by default (tests send it to a loopback port instead).
    void setDiscoveryTarget(const QHostAddress& address, quint16 port);
    void setListenMs(int ms) { listenMs_ = ms; }

    // typed: an address the user typed ("" : none). found for each tuner,
    // then finished once the answers are in.
    void find(const std::string& typed, std::function<void(const FoundTuner&)> found,
              std::function<void()> finished);

  private:
    void report(const FoundTuner& tuner);
    void readAnswers();
    void maybeFinish();

    std::unique_ptr<HttpClient> http_;
    QUdpSocket* socket_ = nullptr;
    QHostAddress target_ = QHostAddress::Broadcast;
    quint16 port_;
    int listenMs_ = 1500;
    QTimer listening_;
    std::set<std::string> seen_;
    std::function<void(const FoundTuner&)> found_;
    std::function<void()> finished_;
    int pendingDocuments_ = 0;
    bool pendingAnswers_ = false;
};

}  // namespace platform::tv::net
