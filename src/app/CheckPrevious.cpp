#include "CheckPrevious.h"

#include "PlatformInstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <memory>

Q_LOGGING_CATEGORY(lcInstance, "dormiva.instance", QtWarningMsg)

namespace {

const QByteArray RaiseRequest = "raise\n";
const QByteArray RaiseDone = "done\n";

struct TInstanceState {
    bool Registered = false;
    std::unique_ptr<QLocalServer> Server;
};

TInstanceState& State() {
    static TInstanceState state;
    return state;
}

// Answers every "raise" request of a later start, after the window has been raised.
void Listen(TAppWindow appWindow) {
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = Platform::InstanceServerName();
    // Holding the lock, any server of that name is a leftover of a copy that ended abnormally.
    QLocalServer::removeServer(name);
    if (!server->listen(name))
        qCWarning(lcInstance) << "cannot listen on" << name << server->errorString();
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw, appWindow] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, appWindow] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine() == RaiseRequest) {
                    qCInfo(lcInstance) << "raise requested";
                    appWindow();
                }
                socket->write(RaiseDone);
                socket->disconnectFromServer();
            });
        }
    });
    State().Server = std::move(server);
}

// Asks the running copy to raise its window and waits briefly for its answer. The running copy may
// have taken its lock a moment ago and not listen yet, so the connection is tried a few times.
void AskToRaise() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(Platform::InstanceServerName());
        if (socket.waitForConnected(500)) {
            socket.write(RaiseRequest);
            const bool answered = socket.waitForBytesWritten(2000) && socket.waitForReadyRead(5000);
            qCInfo(lcInstance) << "running copy asked to raise its window, answered:" << answered;
            return;
        }
        QThread::msleep(100);
    }
    qCInfo(lcInstance) << "running copy did not answer";
}

} // namespace

bool CheckPreviousInstance(TAppWindow appWindow, int maxInstances) {
    TInstanceState& state = State();
    state.Registered = true;
    for (int slot = 0; slot < maxInstances; ++slot) {
        if (Platform::AcquireInstanceLock(slot)) {
            qCInfo(lcInstance) << "registered";
            Listen(std::move(appWindow));
            return false;
        }
    }
    state.Registered = false;
    AskToRaise();
    return true;
}

void ReleaseInstance() {
    TInstanceState& state = State();
    state.Server.reset();
    if (state.Registered)
        Platform::ReleaseInstanceLocks();
    state.Registered = false;
}
