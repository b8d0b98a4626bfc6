#include "SprayQualityView.h"

#include "entry/MainFormContext.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmLabelLimits.h"
#include "model/SprayQualityText.h"
#include "platform/ui/MessageBoxes.h"

#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

SprayQualityView::SprayQualityView(MainFormContext &context, const SettingsStore &store, QWidget *parent)
    : QWidget(parent), m_context(context), m_store(store)
{
    setObjectName(QStringLiteral("SprayQualityView"));
    setAutoFillBackground(true);

    SprayQualityGrid = new QTableWidget(this);
    SprayQualityGrid->setObjectName(QStringLiteral("SprayQualityGrid"));
    SprayQualityGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SprayQualityGrid->setSelectionMode(QAbstractItemView::NoSelection);
    // The keys stay with the window: Ctrl+C is the composite toggle there.
    SprayQualityGrid->setFocusPolicy(Qt::NoFocus);
    SprayQualityGrid->verticalHeader()->setVisible(false);
    SprayQualityGrid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    SprayQualityGrid->setWordWrap(false);

    lblIntervalNote = new QLabel(this);
    lblIntervalNote->setObjectName(QStringLiteral("lblIntervalNote"));
    lblIntervalNote->setWordWrap(true);
    lblLabelLimits = new QLabel(this);
    lblLabelLimits->setObjectName(QStringLiteral("lblLabelLimits"));
    lblLabelLimits->setWordWrap(true);
    lblVerdict = new QLabel(this);
    lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
    lblVerdict->setWordWrap(true);
    QFont bold = lblVerdict->font();
    bold.setBold(true);
    lblVerdict->setFont(bold);
    lblToDecide = new QLabel(this);
    lblToDecide->setObjectName(QStringLiteral("lblToDecide"));
    lblToDecide->setWordWrap(true);

    btnLabelLimits = new QPushButton(QStringLiteral("Label Limits\u2026"), this);
    btnLabelLimits->setObjectName(QStringLiteral("btnLabelLimits"));
    btnCopyTable = new QPushButton(QStringLiteral("Copy Table"), this);
    btnCopyTable->setObjectName(QStringLiteral("btnCopyTable"));
    for (QPushButton *b : {btnLabelLimits, btnCopyTable})
        b->setFocusPolicy(Qt::NoFocus);
    connect(btnLabelLimits, &QPushButton::clicked, this, [this] { btnLabelLimits_Click(); });
    connect(btnCopyTable, &QPushButton::clicked, this, [this] { btnCopyTable_Click(); });

    // On a low screen every line under the table is a row of it less: the
    // buttons stand beside the limits and the verdict rather than under them.
    auto *judged = new QVBoxLayout;
    judged->setSpacing(2);
    judged->addWidget(lblLabelLimits);
    judged->addWidget(lblVerdict);
    judged->addWidget(lblToDecide);
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(judged, 1);
    bottom->addWidget(btnLabelLimits, 0, Qt::AlignBottom);
    bottom->addWidget(btnCopyTable, 0, Qt::AlignBottom);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(SprayQualityGrid, 1);
    layout->addWidget(lblIntervalNote);
    layout->addLayout(bottom);

    // A change of units alters only captions: the heading follows at once.
    connect(&m_context.Document(), &SlideSetDocument::Changed, this, [this](const SlideSetChange &change) {
        if ((change.What & SlideSetPart::Units) && isVisible())
            Fill();
    });
}

SprayQualityView::~SprayQualityView()
{
    // The worker reads only its own copy of the set; it is let finish (a second
    // at most) so that no thread outlives the window.
    if (m_worker) {
        m_worker->disconnect(this);
        m_worker->wait();
        delete m_worker;
    }
}

SprayQualityView *SprayQualityView::Over(QWidget *area, MainFormContext &context, const SettingsStore &store)
{
    auto *view = area->findChild<SprayQualityView *>(QString(), Qt::FindDirectChildrenOnly);
    if (!view) {
        view = new SprayQualityView(context, store, area);
        area->installEventFilter(view);
    }
    view->setGeometry(area->contentsRect());
    return view;
}

bool SprayQualityView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->contentsRect());
    return QWidget::eventFilter(watched, event);
}

void SprayQualityView::Refresh()
{
    m_limits = LoadLabelLimits(m_store, m_context.Format());
    m_table = ComputeSprayQualityFigures(m_context.Set());
    m_pending = true;
    Fill();
    StartIntervals();
}

void SprayQualityView::StartIntervals()
{
    ++m_request;
    if (m_worker)
        return; // the running one is restarted on the newest set when it ends

    const uint64_t request = m_request;
    auto set = std::make_shared<const SlideSet>(m_context.Set());
    auto result = std::make_shared<LineIntervals>();
    m_worker = QThread::create([set, result] { *result = BootstrapIntervals(*set); });
    connect(m_worker, &QThread::finished, this, [this, request, result] {
        m_worker->deleteLater();
        m_worker = nullptr;
        if (request != m_request) {
            --m_request; // StartIntervals counts the restart again
            StartIntervals();
            return;
        }
        ApplyCountingIntervals(m_table, *result, m_limits);
        m_pending = false;
        Fill();
        emit IntervalsShown();
    });
    m_worker->start(QThread::LowPriority);
}

void SprayQualityView::Fill()
{
    const NumberFormat &format = m_context.Format();
    const SprayQualityTexts t = FormatSprayQuality(m_table, m_limits, m_context.Set().Params.Metric, format, m_pending);
    const int columns = int(t.Columns.size());
    SprayQualityGrid->setColumnCount(columns);
    SprayQualityGrid->setRowCount(int(t.Rows.size()));
    QStringList headings;
    for (const SprayQualityColumn &c : t.Columns)
        headings << (c.Unit.isEmpty() ? c.Name : c.Name + QLatin1Char('\n') + c.Unit);
    SprayQualityGrid->setHorizontalHeaderLabels(headings);
    QFont bold = SprayQualityGrid->font();
    bold.setBold(true);
    for (int r = 0; r < int(t.Rows.size()); ++r) {
        const bool composite = r == int(t.Rows.size()) - 1;
        for (int c = 0; c < columns; ++c) {
            auto *item = new QTableWidgetItem(t.Rows[size_t(r)][c]);
            const bool fromLeft = composite && c == 0;
            item->setTextAlignment(Qt::AlignVCenter | (fromLeft ? Qt::AlignLeft : Qt::AlignRight));
            if (composite)
                item->setFont(bold);
            SprayQualityGrid->setItem(r, c, item);
        }
    }
    SprayQualityGrid->resizeColumnsToContents();
    fixIntervalColumns(t);
    lblIntervalNote->setText(t.Note.join(QLatin1Char(' ')));
    lblLabelLimits->setText(t.Limits);
    lblVerdict->setText(t.Verdict);
    lblVerdict->setVisible(!t.Verdict.isEmpty());
    lblToDecide->setText(t.ToDecide);
    lblToDecide->setVisible(!t.ToDecide.isEmpty());
    btnCopyTable->setEnabled(!m_pending);
}

void SprayQualityView::fixIntervalColumns(const SprayQualityTexts &t)
{
    // A column holding intervals is as wide from the start as when they have
    // arrived, so the table does not shift sideways: room for the widest figure
    // followed by two ends a digit longer than it.
    const QFontMetrics plain(SprayQualityGrid->font());
    QFont boldFont = SprayQualityGrid->font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    const QString dash = QStringLiteral("\u2013");
    for (int c : SprayQualityIntervalColumns()) {
        int widest = SprayQualityGrid->columnWidth(c);
        for (size_t r = 0; r < t.Rows.size(); ++r) {
            const QString value = t.Rows[r][c].section(QLatin1Char(' '), 0, 0);
            const QString digits(value.size() + 1, QLatin1Char('8'));
            const QString full = value + QStringLiteral(" (") + digits + dash + digits + QLatin1Char(')');
            const QFontMetrics &fm = r + 1 == t.Rows.size() ? bold : plain;
            widest = std::max(widest, fm.horizontalAdvance(full) + 2 * fm.horizontalAdvance(QLatin1Char(' ')) + 6);
        }
        SprayQualityGrid->setColumnWidth(c, widest);
    }
}

void SprayQualityView::btnLabelLimits_Click()
{
    const NumberFormat &format = m_context.Format();
    frmLabelLimits dialog(m_limits, format, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_limits = dialog.Limits();
    if (!SaveLabelLimits(m_store, m_limits, format))
        MessageBoxes::Show(window(),
                           QStringLiteral("The label limits could not be stored: they hold until the program ends."),
                           MessageBoxes::OkOnly, MessageBoxes::Exclamation);
    if (!m_pending)
        JudgeSprayQuality(m_table, m_limits);
    Fill();
}

void SprayQualityView::btnCopyTable_Click()
{
    if (m_pending)
        return;
    QGuiApplication::clipboard()->setText(
        SprayQualityClipboardText(m_table, m_limits, m_context.Set().Params.Metric, m_context.Format()));
}
