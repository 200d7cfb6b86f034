#include "platform/linux/wayland/SwayIpcConnection.h"

#include <QElapsedTimer>

#include "base/Error.h"

namespace orvendi {
namespace {

// sway answers at once; the agent must not hang on a compositor that does not.
constexpr int kReplyTimeoutMs = 1000;

} // namespace

SwayIpcConnection::SwayIpcConnection(std::string socketPath) : socketPath_(std::move(socketPath)) {}

bool SwayIpcConnection::connected() {
    if (socket_.state() == QLocalSocket::ConnectedState) {
        return true;
    }
    socket_.abort();
    reader_ = {};
    socket_.connectToServer(QString::fromStdString(socketPath_));
    return socket_.waitForConnected(kReplyTimeoutMs);
}

std::optional<std::string> SwayIpcConnection::request(uint32_t type, const std::string& payload) {
    if (!connected()) {
        return std::nullopt;
    }
    const std::string message = sway_ipc::encode(type, payload);
    socket_.write(message.data(), qint64(message.size()));
    if (!socket_.waitForBytesWritten(kReplyTimeoutMs)) {
        socket_.abort();
        return std::nullopt;
    }
    QElapsedTimer waited;
    waited.start();
    try {
        for (;;) {
            while (auto reply = reader_.next()) {
                if (reply->type == type) {
                    return std::move(reply->payload);
                }
            }
            const qint64 left = kReplyTimeoutMs - waited.elapsed();
            if (left <= 0 || !socket_.waitForReadyRead(int(left))) {
                break;
            }
            reader_.append(socket_.readAll().toStdString());
        }
    } catch (const PlatformError&) {
    }
    // A reply that came late would answer the next request: start afresh.
    socket_.abort();
    return std::nullopt;
}

} // namespace orvendi
