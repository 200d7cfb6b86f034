#include "platform/linux/qt/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <cstdlib>
#include <unistd.h>

namespace orvendi {
namespace {

// The exchange: the new launch sends "open <url>" lines (or one "reopen", or
// one "dictation <gesture>"), then "end"; the agent answers "ok" once it has
// taken the request.
constexpr char kOpen[] = "open ";
constexpr char kDictation[] = "dictation ";
constexpr char kReopen[] = "reopen";
constexpr char kEnd[] = "end";
constexpr char kAnswer[] = "ok";

constexpr int kConnectTimeoutMs = 1000;
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kLockTimeoutMs = 5000;
// A request is a few links; anything longer is not from a launch of ours.
constexpr qint64 kMaximumRequestBytes = 64 * 1024;

QByteArray encodeRequest(const QStringList& urls) {
    QByteArray request;
    if (urls.isEmpty()) {
        request += QByteArray(kReopen) + '\n';
    }
    for (const QString& url : urls) {
        // A link is one line: line breaks in it cannot be part of a URL.
        QString line = url;
        line.remove('\n').remove('\r');
        request += QByteArray(kOpen) + line.toUtf8() + '\n';
    }
    return request + kEnd + '\n';
}

} // namespace

SingleInstance::SingleInstance(QString socketPath) : socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists()) {
        return QDir(QString::fromLocal8Bit(runtime))
            .filePath(QStringLiteral("orvendi-agent.socket"));
    }
    return QDir::temp().filePath(QStringLiteral("orvendi-agent-%1.socket").arg(getuid()));
}

SingleInstance::Claim SingleInstance::claim(const QStringList& urls) {
    // Two launches at the same moment must not both become the agent: decide
    // under a lock (a lock left by a crashed launch is taken over).
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(kLockTimeoutMs);

    QLocalSocket probe;
    probe.connectToServer(socketPath_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.abort();
        if (locked) {
            lock.unlock();
        }
        return handOver(encodeRequest(urls));
    }
    // Nobody listens: a socket file left behind is stale.
    if (!listen()) {
        qWarning("Orvendi: cannot listen on %s: %s", qPrintable(socketPath_),
                 server_ ? qPrintable(server_->errorString()) : "");
    }
    return Claim::Primary;
}

SingleInstance::Claim SingleInstance::handOverDictation(const QString& gesture) {
    return handOver(QByteArray(kDictation) + gesture.toUtf8() + '\n' + kEnd + '\n');
}

SingleInstance::Claim SingleInstance::handOver(const QByteArray& request) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return Claim::NoAnswer;
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs)) {
        return Claim::NoAnswer;
    }
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(kAnswerTimeoutMs)) {
        answer += socket.readAll();
    }
    return answer.trimmed() == kAnswer ? Claim::HandedOver : Claim::NoAnswer;
}

bool SingleInstance::listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its request is dropped.
        QTimer::singleShot(kAnswerTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaximumRequestBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine()) {
                return;
            }
            const QByteArray buffered = socket->peek(kMaximumRequestBytes);
            if (!buffered.contains(QByteArray(kEnd) + '\n')) {
                return;
            }
            QStringList urls;
            QStringList gestures;
            bool reopen = false;
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().chopped(1);
                if (line == kEnd) {
                    break;
                }
                if (line == kReopen) {
                    reopen = true;
                } else if (line.startsWith(kDictation)) {
                    gestures.append(QString::fromUtf8(line.mid(int(sizeof(kDictation)) - 1)));
                } else if (line.startsWith(kOpen)) {
                    urls.append(QString::fromUtf8(line.mid(int(sizeof(kOpen)) - 1)));
                }
            }
            socket->write(QByteArray(kAnswer) + '\n');
            socket->flush();
            socket->disconnectFromServer();
            for (const QString& gesture : gestures) {
                emit dictationRequested(gesture);
            }
            if (!urls.isEmpty()) {
                emit openURLsRequested(urls);
            } else if (reopen) {
                emit reopenRequested();
            }
        });
    }
}

} // namespace orvendi
