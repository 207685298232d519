#pragma once

#include <QSplitter>

namespace trevane {

// The main window's splitter (Splitter2) between the job-file list on the left and the rest of
// the window. The left pane's width is the window's left-panel width: 0 while it is hidden.
class SidePanelSplitter : public QSplitter {
    Q_OBJECT

public:
    explicit SidePanelSplitter(QWidget* parent = nullptr);

    int leftWidth() const;
    // Gives the left pane width (bounded by the whole) and the right pane the rest.
    void setLeftWidth(int width);
};

} // namespace trevane
