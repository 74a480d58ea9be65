#include "platform/tv/net/TunerFinder.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QUrl>

#include "platform/tv/net/DiscoveryPacket.h"
#include "platform/tv/net/HttpClient.h"
#include "platform/tv/stream/Lineup.h"

namespace platform::tv::net {
namespace {

std::string withoutTrailingSlash(std::string s) {
    while (!s.empty() && s.back() == '/') {
        s.pop_back();
    }
    return s;
}

std::string describe(const std::string& name, const std::string& id, const std::string& address) {
    std::string text = name.empty() ? address : name;
    if (!id.empty()) {
        text += " (" + id + ")";
    }
    return text;
}

}  // namespace

TunerFinder::TunerFinder(QObject* parent) : QObject(parent), port_(kDiscoveryPort) {
    listening_.setSingleShot(true);
    connect(&listening_, &QTimer::timeout, this, [this] {
        pendingAnswers_ = false;
        if (socket_ != nullptr) {
            socket_->close();
        }
        maybeFinish();
    });
}

TunerFinder::~TunerFinder() = default;

void TunerFinder::setDiscoveryTarget(const QHostAddress& address, quint16 port) {
    target_ = address;
    port_ = port;
}

void TunerFinder::find(const std::string& typed, std::function<void(const FoundTuner&)> found,
                       std::function<void()> finished) {
    found_ = std::move(found);
    finished_ = std::move(finished);
    seen_.clear();
    if (!http_) {
        http_ = std::make_unique<HttpClient>(HttpTimeouts{}, this);
    }
    std::string address = withoutTrailingSlash(typed);
    if (!address.empty()) {
        if (address.find("://") == std::string::npos) {
            address = "http://" + address;
        }
        ++pendingDocuments_;
        http_->fetch(QUrl(QString::fromStdString(address + "/discover.json")),
                     [this, address](const HttpReply& r) {
                         --pendingDocuments_;
                         if (r.status == 200) {
                             Result<stream::TunerDevice> d = stream::parseDiscover(r.body);
                             if (d) {
                                 // The typed address is the one that answered.
                                 report({address, describe(d.value().friendlyName,
                                                           d.value().deviceId, address)});
                             }
                         }
                         maybeFinish();
                     });
    }
    if (socket_ == nullptr) {
        socket_ = new QUdpSocket(this);
        connect(socket_, &QUdpSocket::readyRead, this, &TunerFinder::readAnswers);
    }
    socket_->close();
    if (socket_->bind(QHostAddress::AnyIPv4, 0)) {
        const std::vector<uint8_t> request = discoveryRequest();
        socket_->writeDatagram(reinterpret_cast<const char*>(request.data()),
                               static_cast<qint64>(request.size()), target_, port_);
        pendingAnswers_ = true;
        listening_.start(listenMs_);
    }
    maybeFinish();
}

void TunerFinder::readAnswers() {
    while (socket_ != nullptr && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        const QByteArray bytes = d.data();
        Result<DiscoveredTuner> tuner =
            parseDiscoveryReply(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()));
        if (!tuner) {
            continue;  // not a tuner's answer
        }
        QHostAddress sender = d.senderAddress();
        bool v4 = false;
        const quint32 ip4 = sender.toIPv4Address(&v4);
        const std::string host =
            v4 ? QHostAddress(ip4).toString().toStdString() : sender.toString().toStdString();
        const std::string address = tunerAddress(tuner.value(), host);
        char id[16];
        std::snprintf(id, sizeof id, "%08X", tuner.value().deviceId);
        report({address, describe({}, id, address)});
    }
}

void TunerFinder::report(const FoundTuner& tuner) {
    if (seen_.insert(tuner.address).second && found_) {
        found_(tuner);
    }
}

void TunerFinder::maybeFinish() {
    if (pendingDocuments_ == 0 && !pendingAnswers_ && finished_) {
        std::function<void()> done = std::move(finished_);
        finished_ = nullptr;
        done();
    }
}

}  // namespace platform::tv::net
