#include "frmControlData.h"

#include "MainFormContext.h"
#include "MortalityGrid.h"
#include "NumericKeyFilter.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmControlData::frmControlData(MainFormContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_result(context.Set().ControlData)
{
    setObjectName(QStringLiteral("frmControlData"));
    setWindowTitle(QStringLiteral("Control Data"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *frame = new QGroupBox(QStringLiteral("Mortality Information"), this);
    frame->setObjectName(QStringLiteral("frameControlData"));
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    const MortalityGrid made = AddMortalityGrid(
        *grid,
        {QStringLiteral("Number in cage:"), QStringLiteral("12 hr mortality:"), QStringLiteral("24 hr mortality:")},
        m_context.Format().decimalSeparator(), this, [this](int i) { LeaveBox(i); }, [this](int i) { enterPressed(i); });
    for (int i = 1; i <= 3; ++i) {
        m_labels[i] = made.captions[i - 1];
        m_boxes[i] = made.boxes[i - 1];
    }
    for (int i = 4; i <= 5; ++i)
        m_labels[i] = made.results[i - 4];
    grid->setColumnMinimumWidth(2, fontMetrics().horizontalAdvance(QStringLiteral("= 100.0%")) + 8);

    m_accept = new QPushButton(QStringLiteral("Accept"), this);
    m_accept->setObjectName(QStringLiteral("btnAccept"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_accept);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_boxes[1], &QLineEdit::textChanged, this, &frmControlData::numberInCageChanged);
    connect(m_accept, &QPushButton::clicked, this, &frmControlData::acceptData);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    numberInCageChanged(QString());
    const MortalityCounts &control = m_context.Set().ControlData;
    if (control.NumInCage > 0) {
        const NumberFormat &format = m_context.Format();
        m_boxes[1]->setText(format.Format(control.NumInCage, "0"));
        m_boxes[2]->setText(format.Format(control.Dead12h, "0"));
        m_boxes[3]->setText(format.Format(control.Dead24h, "0"));
        LeaveBox(2);
        LeaveBox(3);
        m_accept->setEnabled(true);
    }
}

bool frmControlData::readCount(int i, int16_t &value) const
{
    return m_context.Format().ToInt16(m_boxes[i]->text(), value) == ParseStatus::Ok;
}

void frmControlData::setBoxEnabled(int i, bool enabled)
{
    QLineEdit *box = m_boxes[i];
    box->setEnabled(enabled);
    m_labels[i]->setEnabled(enabled);
    QPalette palette = box->palette();
    const QColor base = enabled ? QColor(Qt::white) : QApplication::palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, base);
    box->setPalette(palette);
}

void frmControlData::numberInCageChanged(const QString &text)
{
    int16_t n = 0;
    // A number the 16-bit count cannot hold is taken as no number at all.
    const bool readable = !text.trimmed().isEmpty() && readCount(1, n);
    if (readable && n >= 1) {
        setBoxEnabled(2, true);
        setBoxEnabled(3, true);
        m_accept->setEnabled(true);
        return;
    }
    for (int i = 2; i <= 3; ++i) {
        setBoxEnabled(i, false);
        m_boxes[i]->clear();
        m_labels[i + 2]->setVisible(false);
    }
    // Accepting 0 is how the control data are cleared.
    m_accept->setEnabled(readable);
}

void frmControlData::showPercentage(int i)
{
    const NumberFormat &format = m_context.Format();
    int16_t n = 0;
    int16_t dead = 0;
    if (!readCount(1, n) || n < 1)
        return;
    if (m_boxes[i]->text().trimmed().isEmpty())
        m_boxes[i]->setText(QStringLiteral("0"));
    if (!readCount(i, dead)) {
        // Beyond the 16-bit range: the stored count stays.
        const MortalityCounts &control = m_context.Set().ControlData;
        dead = i == 2 ? control.Dead12h : control.Dead24h;
    }
    m_boxes[i]->setText(format.General(dead));
    QLabel *label = m_labels[i + 2];
    label->setText(QStringLiteral("= ") + format.Format(double(dead) / double(n), "0.0%"));
    label->setVisible(true);
}

void frmControlData::LeaveBox(int i)
{
    int16_t n = 0;
    if (m_boxes[1]->text().trimmed().isEmpty())
        return;
    if (i == 1) {
        if (!readCount(1, n) || n == 0)
            return;
        m_boxes[1]->setText(m_context.Format().General(n));
        showPercentage(2);
        showPercentage(3);
    } else {
        showPercentage(i);
    }
}

void frmControlData::enterPressed(int i)
{
    if (m_boxes[i]->text().isEmpty())
        return;
    LeaveBox(i);
    if (i < 3 && m_boxes[i + 1]->isEnabled())
        m_boxes[i + 1]->setFocus(Qt::TabFocusReason);
    else
        m_accept->setFocus(Qt::TabFocusReason);
}

void frmControlData::acceptData()
{
    int16_t n = 0;
    if (!readCount(1, n))
        return;
    MortalityCounts &control = m_result;
    if (n < 1) {
        control = MortalityCounts();
    } else {
        // The boxes are filled as they are left; any still empty count as none dead.
        LeaveBox(2);
        LeaveBox(3);
        int16_t dead12 = 0;
        int16_t dead24 = 0;
        readCount(2, dead12);
        readCount(3, dead24);
        control.NumInCage = n;
        control.Down1h = 0;
        control.Dead12h = dead12;
        control.Dead24h = dead24;
    }
    accept();
}

frmControlData::~frmControlData()
{
    for (EntryFieldBehaviour *behaviour : findChildren<EntryFieldBehaviour *>())
        behaviour->Detach();
}
