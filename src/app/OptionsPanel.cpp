#include "app/OptionsPanel.h"

#include "app/MainWindowBars.h"
#include "jobs/DOptionDate.h"
#include "platform/TextCodec.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <QValidator>

namespace trevane {

namespace {

// Keeps the date field to dates xcopy takes, as its mask keeps it to digits.
class DateValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        switch (checkDOptionDate(toBytes(input))) {
        case DateEntry::Complete:
            return Acceptable;
        case DateEntry::Partial:
            return Intermediate;
        default:
            return Invalid;
        }
    }
};

} // namespace

OptionsPanel::OptionsPanel(QWidget* parent)
    : QWidget(parent), m_optionList(new QListWidget),
      m_dateEdit(new QLineEdit(QStringLiteral("1998-01-01"))) {
    setObjectName(QStringLiteral("OptionPanel"));
    m_optionList->setObjectName(QStringLiteral("OptionCheckListBox"));
    for (std::string_view text : JobOptions::itemTexts()) {
        auto* item = new QListWidgetItem(toQString(text), m_optionList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    MainWindowBars::setHint(m_optionList, QStringLiteral("コマンドオプション"));
    m_dateEdit->setObjectName(QStringLiteral("DateMaskEdit"));
    m_dateEdit->setInputMask(QStringLiteral("9999-99-99;_"));
    m_dateEdit->setValidator(new DateValidator(m_dateEdit));
    m_dateEdit->setText(QStringLiteral("1998-01-01"));
    m_dateEdit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* dateRow = new QHBoxLayout;
    auto* dateLabel = new QLabel(QStringLiteral("/Dオプションの日付指定：YYYY-MM-DD"));
    dateLabel->setObjectName(QStringLiteral("DateLabel"));
    dateRow->addWidget(dateLabel);
    dateRow->addWidget(m_dateEdit);
    dateRow->addStretch(1);
    layout->addLayout(dateRow);
    layout->addWidget(m_optionList, 1);

    connect(m_optionList, &QListWidget::itemChanged, this, [this] {
        if (!m_loading)
            emit changed();
    });
    connect(m_dateEdit, &QLineEdit::textChanged, this, [this] {
        if (!m_loading)
            emit changed();
    });
    connect(m_dateEdit, &QLineEdit::editingFinished, this, &OptionsPanel::dateEditFinished);
}

void OptionsPanel::show(const JobOptions& options) {
    m_loading = true;
    for (int i = 0; i < JobOptions::OptionCount; ++i)
        m_optionList->item(i)->setCheckState(options.items.at(i) ? Qt::Checked : Qt::Unchecked);
    m_dateEdit->setText(toQString(options.asDOptionTime));
    m_loading = false;
    showSwitches(options);
}

void OptionsPanel::showSwitches(const JobOptions& options) {
    m_switches = switchTexts(options);
    if (m_switchLabel) {
        // The panel may be narrower than a long switch text: the tooltip shows it whole.
        m_switchLabel->setText(toQString(m_switches.panelText()));
        m_switchLabel->setToolTip(m_switchLabel->text());
    }
}

JobOptionItems OptionsPanel::items() const {
    JobOptionItems items;
    for (int i = 0; i < JobOptions::OptionCount; ++i)
        items.setAt(i, m_optionList->item(i)->checkState() == Qt::Checked);
    return items;
}

std::string OptionsPanel::dateText() const {
    return toBytes(m_dateEdit->text());
}

} // namespace trevane
