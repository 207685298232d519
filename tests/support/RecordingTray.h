#pragma once

// A notification area that records what reaches it, one line per call, for the tests of the
// tray component and of the main window.

#include "tray/TrayBackend.h"

#include <QMenu>
#include <QString>
#include <functional>
#include <utility>

namespace trevane::test {

class RecordingTrayBackend : public TrayBackend {
public:
    using Record = std::function<void(const QString& line)>;
    explicit RecordingTrayBackend(Record record) : m_record(std::move(record)) {}

    bool available = true;
    QPoint cursor{10, 20};

    void add(const TrayIconRecord& r) override { m_record(describe("add", r)); }
    void modify(const TrayIconRecord& r) override { m_record(describe("modify", r)); }
    void remove(const TrayIconRecord& r) override { m_record(describe("delete", r)); }
    bool isAvailable() const override { return available; }
    QPoint cursorPosition() const override { return cursor; }
    void popup(QMenu& menu, const QPoint& at) override {
        m_record(
            QStringLiteral("popup %1 at %2,%3").arg(menu.objectName()).arg(at.x()).arg(at.y()));
    }
    void showMessage(const QString& title, const QString& text, bool warning) override {
        m_record(QStringLiteral("message %1 %2: %3")
                     .arg(warning ? QStringLiteral("warning") : QStringLiteral("information"),
                          title, text));
    }
    void mouse(TrayMouse m) { deliverMouse(m); }
    void setAvailable(bool value) {
        available = value;
        deliverAvailability(value);
    }

    static QString describe(const char* what, const TrayIconRecord& r) {
        return QStringLiteral("%1 tip=%2 icon=%3")
            .arg(what, QString::fromStdString(r.tip), QString::number(r.icon.cacheKey()));
    }

private:
    Record m_record;
};

} // namespace trevane::test
