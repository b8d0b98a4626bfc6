#include "MortalityPanel.h"

#include "MainFormContext.h"
#include "MortalityGrid.h"
#include "NumericKeyFilter.h"
#include "SlideSetDocument.h"
#include "frmControlData.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

MortalityPanel::MortalityPanel(MainFormContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("&Mortality Information"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameMortality"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    const MortalityGrid made = AddMortalityGrid(
        *grid,
        {QStringLiteral("Number in cage:"), QStringLiteral("1 hr knockdown:"), QStringLiteral("12 hr mortality:"),
         QStringLiteral("24 hr mortality:")},
        m_context.Format().decimalSeparator(), this, [this](int i) { CommitBox(i); },
        [this](int i) { enterPressed(i); });
    for (int i = 1; i <= 4; ++i) {
        m_labels[i] = made.captions[i - 1];
        m_boxes[i] = made.boxes[i - 1];
        m_boxes[i]->installEventFilter(this);
    }
    for (int i = 5; i <= 7; ++i)
        m_labels[i] = made.results[i - 5];
    // Without control data the warning stands where the three results would.
    m_warning = new QLabel(QStringLiteral("No control data entered"), this);
    m_warning->setObjectName(QStringLiteral("lblMortalityWarning"));
    m_warning->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The text carries its own line break where the frame is compact; the
    // full layout shows it on one line.
    m_warning->setWordWrap(false);
    // The frame is sized once, while the warning is hidden: keep its room.
    QSizePolicy keep = m_warning->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_warning->setSizePolicy(keep);
    m_warning->setVisible(false);
    grid->addWidget(m_warning, 1, 2, 3, 1);

    m_controlButton = new QPushButton(QStringLiteral("&Control Data"), this);
    m_controlButton->setObjectName(QStringLiteral("btnControlData"));
    grid->addWidget(m_controlButton, 0, 2, Qt::AlignLeft);

    grid->setColumnMinimumWidth(2, fontMetrics().horizontalAdvance(QStringLiteral("= 100.00%")) + 12);
    grid->setColumnStretch(3, 1);

    connect(m_boxes[1], &QLineEdit::textChanged, this, &MortalityPanel::numberInCageChanged);
    connect(m_controlButton, &QPushButton::clicked, this, &MortalityPanel::ShowControlData);

    SetEntryEnabled(false);
}

bool MortalityPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (int i = 1; i <= 4; ++i)
            if (watched == m_boxes[i]) {
                const SlideSet &set = m_context.Set();
                if (set.CurrentSlide >= 1 && set.CurrentSlide <= set.SlideCount())
                    m_editPosition = set.Current().Position;
                else
                    m_editPosition.reset();
            }
    }
    return QGroupBox::eventFilter(watched, event);
}

// Alt+M always starts a cage at "Number in cage", never where the focus last
// was in the frame (Control Data, or a box disabled since).
bool MortalityPanel::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        if (m_boxes[1]->isEnabled())
            m_boxes[1]->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QGroupBox::event(event);
}

void MortalityPanel::setBoxEnabled(QLineEdit *box, bool enabled)
{
    box->setEnabled(enabled);
    QPalette palette = box->palette();
    const QColor base = enabled ? QColor(Qt::white) : QApplication::palette().color(QPalette::Button);
    palette.setColor(QPalette::Active, QPalette::Base, base);
    palette.setColor(QPalette::Inactive, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    box->setPalette(palette);
}

void MortalityPanel::SetEntryEnabled(bool enabled)
{
    m_entryEnabled = enabled;
    if (!enabled) {
        // Emptied before they are disabled, so that the field losing the focus
        // has nothing of the old slide left to commit.
        for (int i = 1; i <= 4; ++i)
            m_boxes[i]->setText(QString());
        for (int i = 5; i <= 7; ++i) {
            m_labels[i]->clear();
            m_labels[i]->setVisible(false);
        }
        m_editPosition.reset();
    }
    setEnabled(enabled);
    for (int i = 1; i <= 7; ++i)
        m_labels[i]->setEnabled(enabled);
    for (int i = 1; i <= 4; ++i)
        setBoxEnabled(m_boxes[i], enabled);
    m_controlButton->setEnabled(enabled);
    m_warning->setVisible(enabled && m_context.Set().ControlData.NumInCage == 0);
}

void MortalityPanel::SetCompact(bool compact)
{
    m_warning->setText(compact ? QStringLiteral("No control\ndata entered") : QStringLiteral("No control data entered"));
    auto *grid = qobject_cast<QGridLayout *>(layout());
    if (!grid)
        return;
    if (!compact) {
        // Full: the warning on one line under the boxes, where the frame is wide
        // enough; the results beside the boxes they belong to.
        grid->removeWidget(m_warning);
        grid->addWidget(m_warning, 4, 0, 1, 4);
        if (m_resultGap)
            m_resultGap->setVisible(false);
        grid->setVerticalSpacing(3);
        grid->setContentsMargins(8, 6, 8, 6);
        return;
    }

    // Compact: one narrow column beside the count table. Each result stands under
    // the box it comes from, the button and the two-line warning under them all.
    for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        grid->removeWidget(w);
    grid->setColumnMinimumWidth(2, 0);
    grid->setColumnStretch(3, 0);
    // Rows: each count over its result, the cage count over an empty line of the
    // same height, so that the four boxes stand evenly spaced.
    const int resultHeight = fontMetrics().lineSpacing();
    if (!m_resultGap) {
        m_resultGap = new QLabel(this);
        m_resultGap->setObjectName(QStringLiteral("lblMortalityGap"));
    }
    m_resultGap->setFixedHeight(resultHeight);
    m_resultGap->setVisible(true);
    for (int i = 1; i <= 4; ++i) {
        m_boxes[i]->setFixedWidth(44);
        grid->addWidget(m_labels[i], 2 * (i - 1), 0);
        grid->addWidget(m_boxes[i], 2 * (i - 1), 1);
    }
    grid->addWidget(m_resultGap, 1, 0, 1, 2);
    for (int i = 5; i <= 7; ++i) {
        // The rows keep their room while a result is hidden or empty, so the
        // boxes do not move under the operator's hand when results come and go.
        QSizePolicy keep = m_labels[i]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        m_labels[i]->setSizePolicy(keep);
        m_labels[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_labels[i]->setFixedHeight(resultHeight);
        grid->addWidget(m_labels[i], 2 * (i - 4) + 1, 0, 1, 2);
    }
    grid->addWidget(m_controlButton, 8, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_warning, 9, 0, 1, 2);
    grid->setRowStretch(10, 1);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1); // the result lines bring their own room
    grid->setContentsMargins(6, 4, 6, 4);
}

// The program empties boxes with setText(), never clear(): clear() counts as an
// edit, and an edited box is committed to the slide it was typed for.
void MortalityPanel::numberInCageChanged(const QString &text)
{
    int16_t n = 0;
    const bool counted = m_context.Format().ToInt16(text, n) == ParseStatus::Ok && n > 0;
    for (int i = 2; i <= 4; ++i) {
        if (!counted)
            m_boxes[i]->setText(QString());
        setBoxEnabled(m_boxes[i], counted && m_entryEnabled);
    }
    // Percentages of a cage no longer in the boxes go with it at once; committing
    // the count shows them again.
    if (!counted)
        for (int i = 5; i <= 7; ++i) {
            m_labels[i]->clear();
            m_labels[i]->setVisible(false);
        }
}

void MortalityPanel::ShowMortality()
{
    commitPendingTo(editSlide());
    const SlideSet &set = m_context.Set();
    const int16_t slide = set.CurrentSlide;
    if (slide < 0 || slide > set.SlideCount())
        return;
    const Slide &record = set.Slides[slide];
    const MortalityCounts &control = set.ControlData;
    // The boxes now stand for this slide: what is typed next belongs to it, even
    // when the focus stayed in a box across the slide change.
    if (slide >= 1)
        m_editPosition = record.Position;
    else
        m_editPosition.reset();

    m_warning->setVisible(m_entryEnabled && control.NumInCage == 0);
    const NumberFormat &format = m_context.Format();
    if (record.Cage.NumInCage > 0) {
        const int16_t counts[] = {record.Cage.NumInCage, record.Cage.Down1h, record.Cage.Dead12h, record.Cage.Dead24h};
        for (int i = 1; i <= 4; ++i)
            m_boxes[i]->setText(format.Format(counts[i - 1], "0"));
        for (int i = 2; i <= 4; ++i)
            setBoxEnabled(m_boxes[i], m_entryEnabled);
    } else {
        for (int i = 1; i <= 4; ++i)
            m_boxes[i]->setText(QString());
        for (int i = 2; i <= 4; ++i)
            setBoxEnabled(m_boxes[i], false);
    }

    const std::optional<float> results[] = {record.Knockdown1h, record.Mortality12h, record.Mortality24h};
    for (int i = 5; i <= 7; ++i) {
        const std::optional<float> &value = results[i - 5];
        // No value where none was computed: no cage data, no control data, or a
        // control cage in which every insect died.
        if (value && record.Cage.NumInCage > 0 && control.NumInCage > 0) {
            m_labels[i]->setText(QStringLiteral("= ") + format.Format(*value, "0.00%"));
            m_labels[i]->setVisible(true);
        } else {
            m_labels[i]->clear();
            m_labels[i]->setVisible(false);
        }
    }
}

int16_t MortalityPanel::editSlide() const
{
    return m_editPosition ? FindSlideAtPosition(m_context.Set(), *m_editPosition) : int16_t(0);
}

void MortalityPanel::CommitBox(int i)
{
    const int16_t current = m_context.Set().CurrentSlide;
    if (commitTo(i, current))
        ShowMortality();
}

void MortalityPanel::CommitPendingEdits()
{
    bool pending = false;
    for (int i = 1; i <= 4; ++i)
        pending = pending || m_boxes[i]->isModified();
    if (!pending)
        return;
    commitPendingTo(m_context.Set().CurrentSlide);
    ShowMortality();
}

void MortalityPanel::commitPendingTo(int16_t slideIndex)
{
    for (int i = 1; i <= 4; ++i)
        if (m_boxes[i]->isModified())
            commitTo(i, slideIndex);
}

// Stores box i into the cage of one slide. Only text the operator typed is taken:
// a box the program filled or emptied holds nothing new. True when the slide's
// cage changed (or box 1 was emptied), so its results need showing again.
bool MortalityPanel::commitTo(int i, int16_t slideIndex)
{
    QLineEdit *box = m_boxes[i];
    if (!box->isModified())
        return false;
    box->setModified(false);
    const SlideSet &set = m_context.Set();
    if (!m_entryEnabled || slideIndex < 1 || slideIndex > set.SlideCount())
        return false;
    const QString text = box->text().trimmed();
    if (i >= 2 && text.isEmpty())
        return false;

    MortalityCounts cage = set.Slides[slideIndex].Cage;
    int16_t value = 0;
    // A count beyond the 16-bit range is no better than text: the stored count stays.
    if (!text.isEmpty() && m_context.Format().ToInt16(text, value) != ParseStatus::Ok)
        return true;

    if (i == 1) {
        // The count typed again as it was: nothing changes, but the results the
        // emptied box took away are shown again.
        if (!text.isEmpty() && value == cage.NumInCage)
            return true;
        for (int k = 2; k <= 4; ++k)
            if (m_boxes[k]->text().isEmpty())
                m_boxes[k]->setText(QStringLiteral("0"));
        if (value == cage.NumInCage)
            return true; // emptied, and nothing was counted before either
        cage.NumInCage = value;
    } else {
        int16_t *counts[] = {nullptr, nullptr, &cage.Down1h, &cage.Dead12h, &cage.Dead24h};
        if (value == *counts[i])
            return false;
        *counts[i] = value;
    }
    m_context.Document().SetCage(slideIndex, cage);
    return true;
}

void MortalityPanel::enterPressed(int i)
{
    CommitBox(i);
    if (i < 4) {
        if (m_boxes[i + 1]->isEnabled())
            m_boxes[i + 1]->setFocus(Qt::TabFocusReason);
    } else {
        m_controlButton->setFocus(Qt::TabFocusReason);
    }
}

void MortalityPanel::ShowControlData()
{
    CommitPendingEdits();
    QWidget *window = m_context.Window();
    // Centred on the window and wholly on screen, where the toolkit puts it.
    frmControlData dialog(m_context, window);
    // Every slide's corrected mortality rests on the control cage: the document
    // brings them all up to date, so the graphs, the report and the file never
    // show results of the old control.
    if (dialog.exec() == QDialog::Accepted)
        m_context.Document().SetControlData(dialog.Result());
    ShowMortality();
}

MortalityPanel::~MortalityPanel()
{
    for (int i = 1; i <= 4; ++i)
        m_boxes[i]->removeEventFilter(this);
    for (EntryFieldBehaviour *behaviour : findChildren<EntryFieldBehaviour *>())
        behaviour->Detach();
}
