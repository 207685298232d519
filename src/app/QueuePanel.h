#pragma once

#include "engine/JobQueue.h"

#include <QColor>
#include <QTextEdit>

namespace trevane {

// The queue panel (reQue): shows the names of a JobQueue, the head in the colour of its state,
// and reports what the user asks of the queue through its signals; the panel changes nothing
// itself. Its menu (pmQue) offers stop, restart and clear. Job files dragged from jobFileList
// (the job-file list) may be dropped on it to be queued.
//
// The queue must outlive the panel; showQueue is to be called after each change to it.
class QueuePanel : public QTextEdit {
    Q_OBJECT

public:
    QueuePanel(const JobQueue& queue, const QWidget* jobFileList, QWidget* parent = nullptr);

    void showQueue();
    // The head's colour (red while it runs, the palette's text colour after a stop); invalid
    // when it is drawn in the default colour. Every other name is drawn in the default colour.
    QColor headColor() const;
    // The colour line (from 0) is drawn in; invalid for the default colour.
    QColor lineColor(int line) const;
    // Puts the cursor back at the head, which the runner has just marked.
    void moveCursorToHead();

signals:
    // showQueue has shown the queue anew.
    void queueShown();
    void stopClicked();
    void restartClicked();
    void clearClicked();
    // The selected files of the job-file list were dropped on the panel.
    void jobFilesDropped();
    // What a drag from the job-file list would do, for the status bar.
    void dragHint(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    bool handleListDrag(QEvent* event);

    const JobQueue& m_queue;
    const QWidget* m_jobFileList;
};

} // namespace trevane
