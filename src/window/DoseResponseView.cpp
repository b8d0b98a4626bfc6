#include "window/DoseResponseView.h"

#include "entry/PictureBox.h"
#include "entry/SlideSetDocument.h"
#include "graphs/DoseResponseGraph.h"
#include "platform/ui/MessageBoxes.h"
#include "shell/Settings.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kHours[] = {1, 12, 24};

// What the fit is made of: counts (deposit and dead), cages, the control cage,
// slides made and gone, the optics behind the deposit, a whole new set.
constexpr SlideSetParts kFitParts = SlideSetPart::Counts | SlideSetPart::SlideMade | SlideSetPart::SlideDeleted
    | SlideSetPart::Sweeps | SlideSetPart::Optics | SlideSetPart::SizeClasses | SlideSetPart::Cage
    | SlideSetPart::ControlData | SlideSetPart::Whole | SlideSetPart::SlideMoved;

} // namespace

DoseResponseView::DoseResponseView(WindowContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_options(LoadDoseResponseOptions(context.Store()))
{
    setObjectName(QStringLiteral("DoseResponseView"));
    setAutoFillBackground(true);

    cmbDoseHour = named(new QComboBox(this), QStringLiteral("cmbDoseHour"));
    for (int hour : kHours)
        cmbDoseHour->addItem(DoseHourName(hour), hour);
    cmbDoseLink = named(new QComboBox(this), QStringLiteral("cmbDoseLink"));
    cmbDoseLink->addItem(QStringLiteral("Probit"), int(DoseLink::Probit));
    cmbDoseLink->addItem(QStringLiteral("Logit"), int(DoseLink::Logit));
    cmbDoseDeposit = named(new QComboBox(this), QStringLiteral("cmbDoseDeposit"));
    cmbDoseDeposit->addItem(DoseDepositUnit(DoseDeposit::Drops), int(DoseDeposit::Drops));
    cmbDoseDeposit->addItem(DoseDepositUnit(DoseDeposit::Volume), int(DoseDeposit::Volume));
    btnCopyDoseTable = named(new QPushButton(QStringLiteral("Copy Table"), this), QStringLiteral("btnCopyDoseTable"));
    // The keys stay with the window: Ctrl+Tab moves between the composite tabs.
    for (QWidget *w : {static_cast<QWidget *>(cmbDoseHour), static_cast<QWidget *>(cmbDoseLink),
                       static_cast<QWidget *>(cmbDoseDeposit), static_cast<QWidget *>(btnCopyDoseTable)})
        w->setFocusPolicy(Qt::NoFocus);
    for (QComboBox *box : {cmbDoseHour, cmbDoseLink, cmbDoseDeposit})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { optionsChosen(); });
    connect(btnCopyDoseTable, &QPushButton::clicked, this, [this] { btnCopyDoseTable_Click(); });

    DoseGraph = named(new PictureBox(this), QStringLiteral("DoseGraph"));
    DoseTable = named(new QTableWidget(this), QStringLiteral("DoseTable"));
    DoseTable->setColumnCount(2);
    DoseTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DoseTable->setSelectionMode(QAbstractItemView::NoSelection);
    DoseTable->setFocusPolicy(Qt::NoFocus);
    DoseTable->verticalHeader()->setVisible(false);
    DoseTable->horizontalHeader()->setVisible(false);
    DoseTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    DoseTable->horizontalHeader()->setStretchLastSection(true);
    DoseTable->setWordWrap(true);

    auto *choices = new QHBoxLayout;
    choices->setSpacing(4);
    choices->addWidget(cmbDoseHour);
    choices->addWidget(cmbDoseLink);
    choices->addWidget(cmbDoseDeposit);
    choices->addStretch(1);
    choices->addWidget(btnCopyDoseTable);
    auto *body = new QHBoxLayout;
    body->setSpacing(4);
    body->addWidget(DoseGraph, 3);
    body->addWidget(DoseTable, 2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(choices);
    layout->addLayout(body, 1);
    showOptions();

    // The fit follows the set; off view it waits for the next Refresh.
    connect(&m_context.Document(), &SlideSetDocument::Changed, this, [this](const SlideSetChange &change) {
        if (isVisible() && (change.What & kFitParts))
            Refresh();
    });
}

DoseResponseView *DoseResponseView::Over(QWidget *area, WindowContext &context)
{
    auto *view = area->findChild<DoseResponseView *>(QString(), Qt::FindDirectChildrenOnly);
    if (!view) {
        view = new DoseResponseView(context, area);
        area->installEventFilter(view);
    }
    view->setGeometry(area->contentsRect());
    return view;
}

bool DoseResponseView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->contentsRect());
    return QWidget::eventFilter(watched, event);
}

void DoseResponseView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    draw();
}

void DoseResponseView::Refresh()
{
    m_fit = FitDoseResponse(m_context.Set(), m_options);
    fillTable();
    draw();
}

void DoseResponseView::showOptions()
{
    m_showing = true;
    cmbDoseHour->setCurrentIndex(cmbDoseHour->findData(m_options.Hour));
    cmbDoseLink->setCurrentIndex(cmbDoseLink->findData(int(m_options.Link)));
    cmbDoseDeposit->setCurrentIndex(cmbDoseDeposit->findData(int(m_options.Deposit)));
    m_showing = false;
}

void DoseResponseView::optionsChosen()
{
    if (m_showing)
        return;
    DoseResponseOptions chosen;
    chosen.Hour = cmbDoseHour->currentData().toInt();
    chosen.Link = DoseLink(cmbDoseLink->currentData().toInt());
    chosen.Deposit = DoseDeposit(cmbDoseDeposit->currentData().toInt());
    ChooseOptions(chosen);
}

void DoseResponseView::ChooseOptions(const DoseResponseOptions &options)
{
    const bool changed = !(options == m_options);
    m_options = options;
    showOptions();
    if (!changed)
        return;
    if (!SaveDoseResponseOptions(m_context.Store(), m_options))
        MessageBoxes::Show(window(),
                           QStringLiteral("The dose response choices could not be stored: they hold until the "
                                          "program ends."),
                           MessageBoxes::OkOnly, MessageBoxes::Exclamation);
    Refresh();
}

void DoseResponseView::fillTable()
{
    const std::vector<DoseResponseRow> rows = DoseResponseTable(m_fit, m_context.Format());
    DoseTable->setRowCount(int(rows.size()));
    QFont bold = DoseTable->font();
    bold.setBold(true);
    for (int r = 0; r < int(rows.size()); ++r) {
        auto *caption = new QTableWidgetItem(rows[size_t(r)].Caption);
        caption->setFont(bold);
        DoseTable->setItem(r, 0, caption);
        auto *value = new QTableWidgetItem(rows[size_t(r)].Value);
        value->setTextAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        value->setToolTip(rows[size_t(r)].Value);
        DoseTable->setItem(r, 1, value);
    }
    DoseTable->resizeColumnToContents(0);
    DoseTable->resizeRowsToContents();
}

void DoseResponseView::draw()
{
    if (!DoseGraph || DoseGraph->width() < 50 || DoseGraph->height() < 50)
        return;
    DoseGraph->Clear();
    {
        DrawingSurface surface(&DoseGraph->Image(), DoseGraph->OuterHeight());
        const QSize size = DoseGraph->Image().size();
        DrawDoseResponseGraph(surface, m_fit, QRectF(0, 0, size.width(), size.height()), m_context.Format());
    }
    DoseGraph->update();
}

void DoseResponseView::btnCopyDoseTable_Click()
{
    QGuiApplication::clipboard()->setText(DoseResponseClipboardText(m_fit, m_context.Format()));
}
