#include "app/QueuePanel.h"

#include "platform/TextCodec.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QTextBlock>

namespace trevane {

QueuePanel::QueuePanel(const JobQueue& queue, const QWidget* jobFileList, QWidget* parent)
    : QTextEdit(parent), m_queue(queue), m_jobFileList(jobFileList) {
    setObjectName(QStringLiteral("reQue"));
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setReadOnly(true);
    setAcceptDrops(true);
    // A read-only text edit would refuse the drag itself; its viewport's drag events are
    // taken before it sees them.
    viewport()->installEventFilter(this);
    buildMenu();
}

void QueuePanel::showQueue() {
    QStringList lines;
    for (const std::string& name : m_queue.names())
        lines.append(toQString(name));
    // The text would take on the format at the cursor, the head's red among it.
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(lines.join(QLatin1Char('\n')));
    const QColor head = headColor();
    if (!m_queue.names().empty() && head.isValid()) {
        QTextCursor cursor(document()->firstBlock());
        cursor.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat format;
        format.setForeground(head);
        cursor.mergeCharFormat(format);
    }
    emit queueShown();
}

QColor QueuePanel::headColor() const {
    switch (m_queue.headColour()) {
    case JobQueue::HeadColour::Red:
        return QColor(Qt::red);
    case JobQueue::HeadColour::Black:
        return palette().color(QPalette::Text); // black, or a dark theme's light text
    case JobQueue::HeadColour::Plain:
        break;
    }
    return QColor(); // invalid: drawn in the default colour
}

QColor QueuePanel::lineColor(int line) const {
    const QBrush brush = QTextCursor(document()->findBlockByNumber(line)).charFormat().foreground();
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}

void QueuePanel::moveCursorToHead() {
    setTextCursor(QTextCursor(document()));
}

void QueuePanel::buildMenu() {
    setContextMenuPolicy(Qt::CustomContextMenu);
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("pmQue"));
    menu->addAction(QStringLiteral("コピー中止"), this, &QueuePanel::stopClicked);
    menu->addAction(QStringLiteral("コピー再開"), this, &QueuePanel::restartClicked);
    menu->addSeparator();
    menu->addAction(QStringLiteral("すべて消去"), this, &QueuePanel::clearClicked);
    connect(this, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint& at) { menu->popup(mapToGlobal(at)); });
}

bool QueuePanel::handleListDrag(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->source() == m_jobFileList) {
            drag->acceptProposedAction();
            emit dragHint(QStringLiteral("ドロップするコピージョブを実行します"));
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->source() == m_jobFileList) {
            drop->acceptProposedAction();
            emit jobFilesDropped();
        }
        return true;
    }
    default:
        return false;
    }
}

bool QueuePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && handleListDrag(event))
        return true;
    return QTextEdit::eventFilter(watched, event);
}

} // namespace trevane
