#pragma once

#include <QDialog>
#include <functional>
#include <string>

namespace trevane {

// The version dialog: the program's name, its version line ("Version " and
// QApplication::applicationVersion()), one line saying what it is, and two links: the manual
// and the program folder. A click on a link hands its path to openLink (the caller decides how
// a file or folder is shown); without openLink the links are plain text.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* Caption = "バージョン情報";

    TAboutBox(std::string manualPath, std::string programFolder,
              std::function<void(const std::string&)> openLink = {}, QWidget* parent = nullptr);

    // "Version 0.1.0"
    static QString versionLine();
};

} // namespace trevane
