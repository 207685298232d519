#include "app/SecondStartServer.h"

#include "app/Mainunit.h"
#include "platform/InstanceChannel.h"

#include <QLocalSocket>

namespace trevane {

namespace {

// Anything longer is no request of the program's.
constexpr qint64 MaxRequest = 8192;

} // namespace

SecondStartServer::SecondStartServer(TMainForm& form) : m_form(form) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readRequest(*socket); });
        }
    });
}

bool SecondStartServer::listen(const std::string& socketPath) {
    return !socketPath.empty() && removeStaleInstanceSocket(socketPath) &&
           m_server.listen(QString::fromLocal8Bit(socketPath));
}

void SecondStartServer::readRequest(QLocalSocket& socket) {
    if (!socket.canReadLine()) {
        if (socket.bytesAvailable() > MaxRequest)
            socket.abort();
        return;
    }
    QByteArray line = socket.readLine(MaxRequest);
    const bool whole = line.endsWith('\n');
    line.chop(1);
    if (!whole || line != InstanceRequest::Show) {
        socket.abort();
        return;
    }
    socket.write(QByteArray(InstanceRequest::Answer) + '\n');
    socket.disconnect(this);
    socket.disconnectFromServer();
    m_form.view().bringToFront();
}

} // namespace trevane
