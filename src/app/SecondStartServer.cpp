#include "app/SecondStartServer.h"

#include "app/Mainunit.h"
#include "dialogs/MessageBox.h"
#include "platform/InstanceChannel.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QLocalSocket>
#include <QTimer>
#include <cstring>

namespace trevane {

namespace {

// A request line is a word and a path; anything longer is no request of the program's.
constexpr qint64 MaxRequest = 8192;

} // namespace

SecondStartServer::SecondStartServer(TMainForm& form, std::chrono::milliseconds idleLimit)
    : m_form(form) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this, idleLimit] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            const auto close = [socket] {
                socket->abort();
                socket->deleteLater();
            };
            // The new connection is one of the server's children already.
            if (m_server.findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() >
                MaxConnections) {
                close();
                continue;
            }
            auto* idle = new QTimer(socket);
            idle->setSingleShot(true);
            connect(idle, &QTimer::timeout, socket, close);
            idle->start(idleLimit);
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
    const qsizetype prefix = qsizetype(std::strlen(InstanceRequest::OpenPrefix));
    const bool show = line == InstanceRequest::Show;
    const bool open = line.startsWith(InstanceRequest::OpenPrefix) && line.size() > prefix;
    if (!whole || (!show && !open)) {
        socket.abort();
        return;
    }
    // Answered before it is carried out: the save question may wait for the user, the second
    // start does not. The answer is not cut off when the idle time runs out meanwhile.
    delete socket.findChild<QTimer*>();
    socket.write(QByteArray(InstanceRequest::Answer) + '\n');
    socket.disconnect(this);
    socket.disconnectFromServer();
    showAndOpen(open ? line.mid(prefix).toStdString() : std::string());
}

void SecondStartServer::showAndOpen(const std::string& path) {
    m_form.view().bringToFront();
    if (path.empty())
        return;
    // A dialog works on the open job (the options) or waits for an answer about it: the table
    // is not replaced under it.
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        MessageBox::information(dialog, toQString(path) +
                                            QStringLiteral("\nを開くには、開いているダイアログを"
                                                           "閉じてから、もう一度開いてください。"));
        return;
    }
    m_form.jobFiles().OpenGivenFile(path);
}

} // namespace trevane
