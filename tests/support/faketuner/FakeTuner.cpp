#include "FakeTuner.h"

#include <QPointer>
#include <QTcpSocket>

namespace faketuner {

// While a stream's client is this far behind, the stream waits for it, as
// a tuner's buffer would, rather than piling up memory.
constexpr qint64 kMostUnsent = 8 << 20;

struct FakeTuner::Client {
    QPointer<QTcpSocket> socket;
    std::string in;
    bool answered = false;  // the request was read and answered (or is being)
    bool headSent = false;
    Reply reply;
    bool closing = false;  // everything is sent, the connection is closing
    bool closed = false;   // gone; removed at the next sweep
};

FakeTuner::FakeTuner(std::vector<Channel> channels, TunerSettings settings,
                     const platform::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), core_(std::move(channels), std::move(settings), clock.now()) {
    connect(&server_, &QTcpServer::newConnection, this, &FakeTuner::accept);
    connect(&tick_, &QTimer::timeout, this, &FakeTuner::pump);
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.start(5);
}

FakeTuner::~FakeTuner() {
    // The sockets belong to the server, which closes them as it goes.
    for (auto& c : clients_) {
        if (c->socket) {
            c->socket->disconnect(this);
        }
    }
}

platform::Status FakeTuner::listen(const QString& address, quint16 port) {
    const QHostAddress host(address);
    if (host.isNull() || !host.isLoopback()) {
        return platform::Error{
            "The fake tuner listens on the loopback address only (127.0.0.1), "
            "not '" +
            address.toStdString() + "'"};
    }
    if (!server_.listen(host, port)) {
        return platform::Error{"Cannot listen on " + address.toStdString() + ":" +
                               std::to_string(port) + ": " + server_.errorString().toStdString()};
    }
    const QString shown =
        host.protocol() == QAbstractSocket::IPv6Protocol ? "[" + address + "]" : address;
    core_.setBaseUrl("http://" + shown.toStdString() + ":" + std::to_string(server_.serverPort()));
    return {};
}

int FakeTuner::openStreams() const {
    int n = 0;
    for (const auto& c : clients_) {
        n += c->reply.stream != nullptr && !c->closing && !c->closed ? 1 : 0;
    }
    return n;
}

void FakeTuner::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client* c = client.get();
        clients_.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { readFrom(*c); });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { close(*c); });
        readFrom(*c);
    }
}

void FakeTuner::readFrom(Client& c) {
    const QByteArray bytes = c.socket->readAll();
    if (c.answered) {
        return;  // one request per connection; what follows is ignored
    }
    c.in.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const std::size_t length = headLength(c.in);
    if (length == 0) {
        if (c.in.size() > kMaxHead) {
            c.answered = true;
            c.reply = Reply{};
            c.reply.status = 431;
            c.reply.reason = "Request Header Fields Too Large";
            c.reply.readyAt = clock_.now();
            serve(c);
        }
        return;
    }
    c.answered = true;
    platform::Result<HttpRequest> request =
        parseRequestHead(std::string_view(c.in).substr(0, length));
    if (!request) {
        c.reply = Reply{};
        c.reply.status = 400;
        c.reply.reason = "Bad Request";
        c.reply.body = request.message() + "\n";
        c.reply.readyAt = clock_.now();
    } else {
        c.reply = core_.handle(request.value(), clock_.now());
    }
    serve(c);
}

// Sends what is due of the client's reply: its head when ready, then the
// body or the stream's packets up to now.
void FakeTuner::serve(Client& c) {
    if (!c.answered || c.closing || c.closed) {
        return;
    }
    const double now = clock_.now();
    if (!c.headSent) {
        if (now < c.reply.readyAt) {
            return;
        }
        const std::string head = c.reply.head();
        c.socket->write(head.data(), static_cast<qint64>(head.size()));
        c.headSent = true;
        if (!c.reply.stream) {
            c.socket->write(c.reply.body.data(), static_cast<qint64>(c.reply.body.size()));
            c.closing = true;
            c.socket->disconnectFromHost();
            return;
        }
    }
    if (c.socket->bytesToWrite() > kMostUnsent) {
        return;
    }
    std::string due;
    c.reply.stream->take(now, due);
    if (!due.empty()) {
        c.socket->write(due.data(), static_cast<qint64>(due.size()));
    }
    if (c.reply.stream->finished(now)) {
        c.closing = true;
        core_.release(c.reply.tuner);
        c.reply.tuner = -1;
        c.socket->disconnectFromHost();
    }
}

void FakeTuner::pump() {
    for (auto& c : clients_) {
        serve(*c);
    }
}

// Runs inside the socket's signals and loops over the clients, so the
// client is only marked here and removed later.
void FakeTuner::close(Client& c) {
    if (c.closed) {
        return;
    }
    c.closed = true;
    core_.release(c.reply.tuner);
    c.reply.tuner = -1;
    c.reply.stream.reset();
    c.socket->disconnect(this);
    c.socket->deleteLater();
    QMetaObject::invokeMethod(this, &FakeTuner::sweep, Qt::QueuedConnection);
}

void FakeTuner::sweep() {
    clients_.remove_if([](const std::unique_ptr<Client>& p) { return p->closed; });
}

}  // namespace faketuner
