#include "dialogs/MessageBox.h"

#include <QGuiApplication>
#include <deque>

namespace trevane {

namespace {
struct Answer {
    MessageBox::Button button;
    std::function<void()> whileOpen;
};
std::deque<Answer>& answers() {
    static std::deque<Answer> queue;
    return queue;
}
QString& lastShownText() {
    static QString text;
    return text;
}
int& unansweredCount() {
    static int count = 0;
    return count;
}
int& boxCount() {
    static int count = 0;
    return count;
}
} // namespace

MessageBox::Button MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    Buttons buttons, Button defaultButton) {
    lastShownText() = text;
    ++boxCount();
    if (!answers().empty()) {
        Answer answer = answers().front();
        answers().pop_front();
        if (answer.whileOpen)
            answer.whileOpen();
        return answer.button;
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Nobody can answer a box on the offscreen platform (window tests, headless runs):
        // record it and go on as if it had been dismissed.
        ++unansweredCount();
        qWarning("Unanswered message box: %s", qPrintable(text));
        return defaultButton != QMessageBox::NoButton ? defaultButton : QMessageBox::Cancel;
    }
    QMessageBox box(icon, QStringLiteral("Trevane"), text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<Button>(box.exec());
}

MessageBox::Button MessageBox::question(QWidget* parent, const QString& text, Buttons buttons,
                                        Button defaultButton) {
    return show(parent, QMessageBox::Question, text, buttons, defaultButton);
}

MessageBox::Button MessageBox::warning(QWidget* parent, const QString& text, Buttons buttons) {
    return show(parent, QMessageBox::Warning, text, buttons, QMessageBox::NoButton);
}

MessageBox::Button MessageBox::information(QWidget* parent, const QString& text, Buttons buttons) {
    return show(parent, QMessageBox::Information, text, buttons, QMessageBox::NoButton);
}

MessageBox::Button MessageBox::critical(QWidget* parent, const QString& text, Buttons buttons) {
    return show(parent, QMessageBox::Critical, text, buttons, QMessageBox::NoButton);
}

void MessageBox::setNextAnswer(Button button) {
    answers().push_back({button, {}});
}
void MessageBox::setNextAnswer(Button button, std::function<void()> whileOpen) {
    answers().push_back({button, std::move(whileOpen)});
}
int MessageBox::pendingAnswers() {
    return static_cast<int>(answers().size());
}
QString MessageBox::lastText() {
    return lastShownText();
}
int MessageBox::shownCount() {
    return boxCount();
}
int MessageBox::unansweredBoxes() {
    return unansweredCount();
}

} // namespace trevane
