#include "platform/linux/wayland/SwayKeySource.h"

#include <QElapsedTimer>

#include "base/Error.h"
#include "platform/Log.h"
#include "platform/linux/keys/HeldKey.h"

namespace orvendi {
namespace {

// sway answers at once; a compositor that does not within this is not one to
// rely on for a key.
constexpr int kReplyTimeoutMs = 2000;
constexpr char kBindingSubscription[] = R"(["binding"])";

} // namespace

SwayKeySource::SwayKeySource(std::string socketPath, std::string keysym, Log& log)
    : socketPath_(std::move(socketPath)), bindings_(std::move(keysym)), log_(log) {}

SwayKeySource::~SwayKeySource() {
    if (!socket_) {
        return;
    }
    socket_->disconnect();
    // The bindings would swallow the key in every application after we are gone.
    if (bound_ && socket_->state() == QLocalSocket::ConnectedState &&
        send(sway_ipc::kRunCommand, bindings_.removeCommands())) {
        awaitReply(sway_ipc::kRunCommand);
    }
}

bool SwayKeySource::start(HeldKey& key) {
    socket_ = std::make_unique<QLocalSocket>();
    socket_->connectToServer(QString::fromStdString(socketPath_));
    if (!socket_->waitForConnected(kReplyTimeoutMs)) {
        log_.write("Orvendi: cannot reach sway at " + socketPath_);
        socket_.reset();
        return false;
    }
    try {
        if (!send(sway_ipc::kRunCommand, bindings_.addCommands())) {
            return false;
        }
        const auto added = awaitReply(sway_ipc::kRunCommand);
        const auto error = added ? sway_ipc::commandError(added->payload) : "no answer";
        if (error) {
            log_.write("Orvendi: sway refused the dictation key's bindings: " + *error);
            return false;
        }
        bound_ = true;
        if (!send(sway_ipc::kSubscribe, kBindingSubscription) ||
            !awaitReply(sway_ipc::kSubscribe)) {
            return false;
        }
    } catch (const PlatformError& error) {
        log_.write(std::string("Orvendi: ") + error.what());
        return false;
    }
    key_ = &key;
    QObject::connect(socket_.get(), &QLocalSocket::readyRead, socket_.get(),
                     [this] { readEvents(); });
    QObject::connect(socket_.get(), &QLocalSocket::disconnected, socket_.get(), [this] {
        log_.write("Orvendi: the connection to sway closed");
        key_->lose();
    });
    readEvents(); // events that came with the replies
    return true;
}

bool SwayKeySource::send(uint32_t type, const std::string& payload) {
    const std::string message = sway_ipc::encode(type, payload);
    socket_->write(message.data(), qint64(message.size()));
    return socket_->waitForBytesWritten(kReplyTimeoutMs);
}

// Waits for the reply of the given type; binding events that arrive first
// wait in `pending_`, in order.
std::optional<sway_ipc::Message> SwayKeySource::awaitReply(uint32_t type) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        while (auto message = reader_.next()) {
            if (message->type == type) {
                return message;
            }
            pending_.push_back(std::move(*message));
        }
        const qint64 left = kReplyTimeoutMs - waited.elapsed();
        if (left <= 0 || !socket_->waitForReadyRead(int(left))) {
            return std::nullopt;
        }
        reader_.append(socket_->readAll().toStdString());
    }
}

void SwayKeySource::readEvents() {
    reader_.append(socket_->readAll().toStdString());
    for (; !pending_.empty(); pending_.pop_front()) {
        handle(pending_.front());
    }
    try {
        while (auto message = reader_.next()) {
            handle(*message);
        }
    } catch (const PlatformError& error) {
        log_.write(std::string("Orvendi: ") + error.what());
        socket_->abort();
    }
}

void SwayKeySource::handle(const sway_ipc::Message& message) {
    if (message.type != sway_ipc::kBindingEvent) {
        return;
    }
    const auto change = sway_ipc::keyChangeOf(message.payload, bindings_);
    if (change == sway_ipc::KeyChange::Press) {
        key_->press();
    } else if (change == sway_ipc::KeyChange::Release) {
        key_->release();
    }
}

} // namespace orvendi
