#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace orvendi {

// One agent per user session. The first launch listens on a local socket that
// only its user can reach; a later launch hands its request (links to open,
// or none for a plain reopen) to that agent and exits.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        Primary,    // this process is the agent and now listens
        HandedOver, // the running agent took the request
        NoAnswer,   // an agent listens but did not confirm in time
    };

    explicit SingleInstance(QString socketPath);
    ~SingleInstance() override;

    // Becomes the agent, or hands `urls` (empty: reopen) to the running one.
    // Blocks for at most a few seconds; call before the event loop runs.
    Claim claim(const QStringList& urls);
    // Hands a dictation gesture ("press", "release", "toggle") to the running
    // agent; never becomes the agent. HandedOver or NoAnswer (none runs).
    Claim handOverDictation(const QString& gesture);

    const QString& socketPath() const { return socketPath_; }

    // $XDG_RUNTIME_DIR/orvendi-agent.socket, or a per-user name in the
    // temporary folder when there is no runtime folder.
    static QString defaultSocketPath();

signals:
    void reopenRequested();
    void openURLsRequested(const QStringList& urls);
    void dictationRequested(const QString& gesture);

private:
    Claim handOver(const QByteArray& request);
    bool listen();
    void acceptConnection();

    QString socketPath_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace orvendi
