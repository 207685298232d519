#include "dialogs/RunHistoryDialog.h"

#include "engine/RunHistory.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace trevane {

namespace {

// A log larger than this shows its first part only (a runaway step's output).
constexpr qint64 kShownBytes = 64 << 20;

QTableWidgetItem* cell(const QString& text, const QString& fileName = {}) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (!fileName.isEmpty())
        item->setData(Qt::UserRole, fileName);
    return item;
}

} // namespace

RunHistoryDialog::RunHistoryDialog(std::string folder, QWidget* parent)
    : QDialog(parent), m_folder(std::move(folder)) {
    setObjectName(QStringLiteral("RunHistoryDialog"));
    setWindowTitle(QStringLiteral("実行履歴"));
    resize(760, 520);

    m_runs = new QTableWidget(0, 4);
    m_runs->setObjectName(QStringLiteral("lvRuns"));
    m_runs->setHorizontalHeaderLabels({QStringLiteral("開始"), QStringLiteral("ジョブ"),
                                       QStringLiteral("結果"), QStringLiteral("失敗した手順")});
    m_runs->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_runs->setSelectionMode(QAbstractItemView::SingleSelection);
    m_runs->verticalHeader()->hide();
    m_runs->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(m_runs, &QTableWidget::itemSelectionChanged, this, &RunHistoryDialog::showSelectedRun);

    m_log = new QPlainTextEdit;
    m_log->setObjectName(QStringLiteral("meRunLog"));
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_runs);
    splitter->addWidget(m_log);
    splitter->setStretchFactor(1, 2);

    auto* refreshButton = new QPushButton(QStringLiteral("更新(&R)"));
    refreshButton->setObjectName(QStringLiteral("RefreshBtn"));
    connect(refreshButton, &QPushButton::clicked, this, &RunHistoryDialog::refresh);
    auto* close = new QPushButton(QStringLiteral("閉じる"));
    close->setObjectName(QStringLiteral("CloseBtn"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refreshButton);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    refresh();
}

void RunHistoryDialog::refresh() {
    const std::vector<RunHistory::Record> records = RunHistory::list(m_folder);
    m_runs->clearContents();
    m_runs->setRowCount(static_cast<int>(records.size()));
    for (int row = 0; row < m_runs->rowCount(); ++row) {
        const RunHistory::Record& r = records[static_cast<std::size_t>(row)];
        const std::string job = r.jobFile.substr(r.jobFile.find_last_of('/') + 1);
        m_runs->setItem(row, 0, cell(toQString(r.start), toQString(r.fileName)));
        m_runs->setItem(row, 1, cell(toQString(job)));
        m_runs->setItem(row, 2, cell(toQString(RunHistory::resultText(r.result))));
        m_runs->setItem(row, 3, cell(QString::number(r.failedSteps)));
        m_runs->item(row, 1)->setToolTip(toQString(r.jobFile));
    }
    m_runs->resizeColumnToContents(0);
    if (records.empty())
        m_log->setPlainText(QStringLiteral("実行履歴はありません。"));
    else
        m_runs->selectRow(0);
}

void RunHistoryDialog::showSelectedRun() {
    const QList<QTableWidgetItem*> selected = m_runs->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = m_runs->item(selected.front()->row(), 0)->data(Qt::UserRole).toString();
    QFile file(toQString(m_folder) + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) {
        m_log->setPlainText(file.errorString());
        return;
    }
    m_log->setPlainText(QString::fromLocal8Bit(file.read(kShownBytes)));
}

} // namespace trevane
