#pragma once

// Shared set-up of the window tests: a temporary program folder per test function, and the
// check that every answer prepared for a message box or file dialog was used and that no box
// came up unanswered.

#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "platform/TextCodec.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

namespace trevane::test {

class WindowTestHome {
public:
    // Call from init(): a fresh folder that TREVANE_HOME points the program at, with the
    // configuration folder (XDG_CONFIG_HOME) "config" inside it.
    void start() {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("TREVANE_HOME", m_dir->path().toLocal8Bit());
        // The user's own configuration (the autostart entry) stays out of reach.
        qputenv("XDG_CONFIG_HOME", (m_dir->path() + QStringLiteral("/config")).toLocal8Bit());
    }
    // Call from cleanup().
    void finish() {
        QCOMPARE(MessageBox::pendingAnswers(), 0);
        QCOMPARE(FileDialogs::pendingAnswers(), 0);
        QCOMPARE(MessageBox::unansweredBoxes(), 0);
        m_dir.reset();
    }
    std::string path() const { return toBytes(m_dir->path()); }
    QString qpath() const { return m_dir->path(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

} // namespace trevane::test
