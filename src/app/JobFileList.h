#pragma once

#include <QListWidget>
#include <string>
#include <vector>

namespace trevane {

// The job-file list (CPLFileListBox): the job files (*.cpl) of one folder by name, with a file
// icon each. An empty list is drawn in the button colour; the hint names the folder. Its items
// may be dragged onto the job grid and the queue panel. Its menu (pmCPLFile) reports what the
// user asks through the signals; selecting all is the list's own.
class JobFileList : public QListWidget {
    Q_OBJECT

public:
    explicit JobFileList(std::string folder, QWidget* parent = nullptr);

    // Lists the folder's job files again.
    void refresh();
    // Lists them again and selects the job file at path (after it was saved).
    void refresh(const std::string& path);
    // The list's colour and hint for its count (an empty list looks disabled).
    void showState();
    // Makes the item of the job file at path (compared by name; ignoring case when no item has
    // the name's own spelling) the only selected and the current one; without such an item
    // nothing changes.
    void selectFile(const std::string& path);
    // The names of all items, and of the selected ones in list order.
    std::vector<std::string> names() const;
    std::vector<std::string> selectedNames() const;

signals:
    void startOpenClicked();
    void startSelectedClicked();
    void openClicked();
    void deleteClicked();

protected:
    // Enter opens the current file, as the menu's "ファイルを開く" does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenu();

    std::string m_folder;
};

} // namespace trevane
