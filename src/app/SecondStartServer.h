#pragma once

#include <QLocalServer>
#include <QObject>
#include <chrono>
#include <string>

class QLocalSocket;

namespace trevane {

class TMainForm;

// Carries out what a second start of the program asks of the window that runs (the requests of
// platform/InstanceChannel.h): shows the window and opens the job file a request names. The
// window alone listens; the program holds the single-instance lock while it does.
//
// The window must outlive the server.
class SecondStartServer : public QObject {
    Q_OBJECT

public:
    // A connection that has not sent its whole request within idleLimit is closed, and no more
    // than MaxConnections are open at a time (more are closed at once): a second start sends
    // its line at once, and anything else that connects must not pile up in the window.
    explicit SecondStartServer(TMainForm& form,
                               std::chrono::milliseconds idleLimit = std::chrono::seconds(5));
    static constexpr int MaxConnections = 8;

    // Listens at socketPath (instanceSocketPath), in place of what an instance that ended
    // without cleaning up left there. False when it cannot (no path, something else in the
    // socket's place): the window then runs without, and a second start ends as it always did.
    bool listen(const std::string& socketPath);
    // Shows the window and brings it to the front; with a path, then opens that job file as the
    // open command does (the save question first). While a dialog or question is open, the
    // file is not opened: a message says to close it first.
    void showAndOpen(const std::string& path = {});

private:
    void readRequest(QLocalSocket& socket);

    TMainForm& m_form;
    QLocalServer m_server;
};

} // namespace trevane
