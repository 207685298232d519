#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

namespace trevane {

// The one way the program asks a question or shows a warning. Every box is a QMessageBox
// captioned with the application title "Trevane".
//
// Tests answer the next box in advance with setNextAnswer(): the box is then not shown at all
// and the prepared button is returned, so a window test runs without a display and without
// waiting. lastText() keeps the text of the most recent box for the test to check.
class MessageBox {
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    static Button question(QWidget* parent, const QString& text, Buttons buttons,
                           Button defaultButton = QMessageBox::NoButton);
    static Button warning(QWidget* parent, const QString& text, Buttons buttons = QMessageBox::Ok);
    static Button information(QWidget* parent, const QString& text,
                              Buttons buttons = QMessageBox::Ok);
    static Button critical(QWidget* parent, const QString& text, Buttons buttons = QMessageBox::Ok);

    static void setNextAnswer(Button button);
    // As above; whileOpen runs before the answer is returned, as events that come while a box
    // waits for the user (a timer tick) would.
    static void setNextAnswer(Button button, std::function<void()> whileOpen);
    // How many prepared answers are still waiting; tests check it is 0 at the end.
    static int pendingAnswers();
    static QString lastText();
    static int shownCount();
    // Boxes that came up on the offscreen platform with no prepared answer. They are not
    // shown (nobody could answer them); they return their default button, or Cancel.
    static int unansweredBoxes();

private:
    static Button show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                       Buttons buttons, Button defaultButton);
};

} // namespace trevane
