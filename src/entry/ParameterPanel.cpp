#include "ParameterPanel.h"

#include "MainFormContext.h"
#include "NumericKeyFilter.h"
#include "SlideSetDocument.h"
#include "model/Units.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QScopedValueRollback>
#include <QValidator>

#include <algorithm>

namespace {

constexpr int kFieldWidth = 96;

const QString kDegree = QStringLiteral("\u00B0");

QString indexed(const char *name, int i)
{
    return QString::fromLatin1(name) + QString::number(i);
}

} // namespace

ParameterPanel::ParameterPanel(MainFormContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("Analysis Parameters"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameParameters"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabParameters"));
    const char *captions[] = {"Sprayer", "Optics", "Meteorology", "Product", "Units"};
    for (int n = 1; n <= 5; ++n) {
        auto *frame = new QFrame(m_tabs);
        frame->setObjectName(indexed("frameParamInfo", n));
        m_frames[n] = frame;
        m_tabs->addTab(frame, QString::fromLatin1(captions[n - 1]));
    }
    buildSprayer(m_frames[1]);
    buildOptics(m_frames[2]);
    buildMeteorology(m_frames[3]);
    buildProduct(m_frames[4]);
    buildUnits(m_frames[5]);

    // Only the frame in front takes part; the others are disabled so that no
    // hidden field can hold the focus.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        for (int n = 1; n <= 5; ++n)
            m_frames[n]->setEnabled(n == index + 1);
    });
    // A click on a tab keeps the focus in the tabs, where the arrow keys go on;
    // otherwise disabling the frame left behind sends it elsewhere in the window.
    m_tabs->tabBar()->setFocusPolicy(Qt::StrongFocus);
    m_tabs->setCurrentIndex(0);
    for (int n = 2; n <= 5; ++n)
        m_frames[n]->setEnabled(false);

    // All five tabs stay in sight on either screen layout: no scroll arrows
    // hiding "Units".
    m_tabs->setMinimumWidth(m_tabs->tabBar()->sizeHint().width() + 12);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_tabs);

    ResetFields();
    ApplyUnitLabels();
}

QLineEdit *ParameterPanel::makeField(const QString &name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setFixedWidth(kFieldWidth);
    return field;
}

QLabel *ParameterPanel::makeLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

namespace {

// The slide set file has no quoting: a list separator inside a text would cut it
// there on reading. Typed, the separator is refused as a letter is in a number
// field; pasted, it becomes a blank.
class ListSeparatorGuard : public QValidator
{
public:
    ListSeparatorGuard(const QString &separator, QLineEdit *field)
        : QValidator(field), m_separator(separator)
    {
        field->setValidator(this);
        field->installEventFilter(this);
    }
    State validate(QString &input, int &pos) const override
    {
        if (!m_separator.isEmpty() && input.contains(m_separator, Qt::CaseInsensitive)) {
            input.replace(m_separator, QStringLiteral(" "), Qt::CaseInsensitive);
            pos = std::min<int>(pos, int(input.size()));
        }
        return Acceptable;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent *>(event)->text();
            if (!typed.isEmpty() && typed.compare(m_separator, Qt::CaseInsensitive) == 0)
                return true;
        }
        return QValidator::eventFilter(watched, event);
    }

private:
    QString m_separator;
};

} // namespace

void ParameterPanel::connectText(QLineEdit *field, QString ParameterTexts::*text)
{
    new ListSeparatorGuard(m_context.ListSeparator(), field);
    // The descriptive parameters live only as typed; the slide set follows every
    // keystroke so that Save always writes what the operator sees.
    connect(field, &QLineEdit::textEdited, this, [this, text](const QString &typed) {
        m_context.Document().SetText(text, typed);
        // The impaction model reads the air temperature and the wind speed.
        if ((text == &ParameterTexts::AirTemp || text == &ParameterTexts::WindSpeed)
            && m_context.Set().Cloud.Method == CloudMethod::Impaction)
            showRecomputed();
    });
}

// A grid of caption, field and unit per row, captions right-aligned against the
// fields, the whole block kept at the top left of its tab.
static QGridLayout *paramGrid(QFrame *frame)
{
    auto *grid = new QGridLayout(frame);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(3, 1);
    return grid;
}

static void addRow(QGridLayout *grid, int row, QLabel *caption, QLineEdit *field, QWidget *unit = nullptr)
{
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setBuddy(field);
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1);
    if (unit)
        grid->addWidget(unit, row, 2);
}

static void finishGrid(QGridLayout *grid, int rows)
{
    grid->setRowStretch(rows, 1);
}

void ParameterPanel::buildSprayer(QFrame *frame)
{
    auto *grid = paramGrid(frame);
    const char *captions[] = {"Agency:", "Sprayer:", "Release Height:", "Date:", "Time:"};
    QString ParameterTexts::*texts[] = {&ParameterTexts::Agency, &ParameterTexts::Sprayer,
                                        &ParameterTexts::ReleaseHeight, &ParameterTexts::Date,
                                        &ParameterTexts::Time};
    m_sprayerHeightUnit = makeLabel(QStringLiteral("lblSprayer6"), QString(), frame);
    const QChar decimal = m_context.Format().decimalSeparator();
    for (int i = 1; i <= 5; ++i) {
        QLineEdit *field = makeField(indexed("txtSprayer", i), frame);
        m_sprayer[i] = field;
        addRow(grid, i - 1, makeLabel(indexed("lblSprayer", i), QString::fromLatin1(captions[i - 1]), frame), field,
               i == 3 ? m_sprayerHeightUnit : nullptr);
        connectText(field, texts[i - 1]);
        auto *behaviour =
            new EntryFieldBehaviour(field, i == 3 ? FieldTyping::Decimal : FieldTyping::FreeText, decimal, this);
        behaviour->onEnter = [this, i] {
            if (i < 5)
                m_sprayer[i + 1]->setFocus(Qt::TabFocusReason);
            else
                moveToTab(2, m_optics[1]);
        };
    }
    // Agency and sprayer are names, often long: their fields take the row.
    for (int i = 1; i <= 2; ++i) {
        m_sprayer[i]->setMaximumWidth(QWIDGETSIZE_MAX);
        grid->addWidget(m_sprayer[i], i - 1, 1, 1, 3);
    }
    finishGrid(grid, 5);
}

void ParameterPanel::buildOptics(QFrame *frame)
{
    auto *grid = paramGrid(frame);
    const QString captions[] = {QStringLiteral("Scan Length:"), QStringLiteral("# EPD on reticule:"),
                                Microns() + QStringLiteral("/EPD:"), QStringLiteral("Spread Factor:")};
    m_scanLengthUnit = makeLabel(QStringLiteral("lblOptics5"), QString(), frame);
    const QChar decimal = m_context.Format().decimalSeparator();
    for (int i = 1; i <= 4; ++i) {
        QLineEdit *field = makeField(indexed("txtOptics", i), frame);
        m_optics[i] = field;
        addRow(grid, i - 1, makeLabel(indexed("lblOptics", i), captions[i - 1], frame), field,
               i == 1 ? m_scanLengthUnit : nullptr);
        auto *behaviour =
            new EntryFieldBehaviour(field, i == 2 ? FieldTyping::Whole : FieldTyping::Decimal, decimal, this);
        behaviour->onLeave = [this, i] { CommitOptics(i); };
        behaviour->onEnter = [this, i] {
            CommitOptics(i);
            if (i < 4)
                m_optics[i + 1]->setFocus(Qt::TabFocusReason);
            else
                moveToTab(3, m_met[0]);
        };
    }
    finishGrid(grid, 4);
}

void ParameterPanel::buildMeteorology(QFrame *frame)
{
    auto *grid = paramGrid(frame);
    const char *captions[] = {"Height:", "Air Temp:", "Wind Speed:", "Wind Direction:", "R.H.:"};
    QString ParameterTexts::*texts[] = {&ParameterTexts::MetHeight, &ParameterTexts::AirTemp,
                                        &ParameterTexts::WindSpeed, &ParameterTexts::WindDirection,
                                        &ParameterTexts::RelHumidity};

    m_metHeightUnit = makeLabel(QStringLiteral("lblMet5"), QString(), frame);
    m_temperatureUnit = makeLabel(QStringLiteral("lblMet7"), QString(), frame);
    m_windSpeedUnit = makeLabel(QStringLiteral("lblMet8"), QString(), frame);

    // Air temperature: "°" and the scale letter; wind direction: "°" and the note.
    auto *temperature = new QWidget(frame);
    auto *temperatureRow = new QHBoxLayout(temperature);
    temperatureRow->setContentsMargins(0, 0, 0, 0);
    temperatureRow->setSpacing(0);
    temperatureRow->addWidget(makeLabel(QStringLiteral("lblMet6"), kDegree, temperature));
    m_temperatureUnit->setParent(temperature);
    temperatureRow->addWidget(m_temperatureUnit);
    temperatureRow->addStretch(1);

    auto *direction = new QWidget(frame);
    auto *directionRow = new QHBoxLayout(direction);
    directionRow->setContentsMargins(0, 0, 0, 0);
    directionRow->setSpacing(4);
    directionRow->addWidget(makeLabel(QStringLiteral("lblMet9"), kDegree, direction));
    directionRow->addWidget(makeLabel(QStringLiteral("lblMet11"), QStringLiteral("(rel. to AC heading)"), direction));
    directionRow->addStretch(1);

    QWidget *units[] = {m_metHeightUnit, temperature, m_windSpeedUnit, direction,
                        makeLabel(QStringLiteral("lblMet10"), QStringLiteral("%"), frame)};

    const QChar decimal = m_context.Format().decimalSeparator();
    for (int i = 0; i <= 4; ++i) {
        QLineEdit *field = makeField(indexed("txtMet", i), frame);
        m_met[i] = field;
        addRow(grid, i, makeLabel(indexed("lblMet", i), QString::fromLatin1(captions[i]), frame), field);
        grid->addWidget(units[i], i, 2, 1, 2);
        connectText(field, texts[i]);
        auto *behaviour = new EntryFieldBehaviour(field, FieldTyping::Decimal, decimal, this);
        behaviour->onEnter = [this, i] {
            if (i < 4)
                m_met[i + 1]->setFocus(Qt::TabFocusReason);
            else
                moveToTab(4, m_product[1]);
        };
    }
    finishGrid(grid, 5);
}

void ParameterPanel::buildProduct(QFrame *frame)
{
    auto *grid = paramGrid(frame);
    const char *captions[] = {"Product:", "Spray Rate:"};
    QString ParameterTexts::*texts[] = {&ParameterTexts::Product, &ParameterTexts::SprayRate};
    m_sprayRateUnit = makeLabel(QStringLiteral("lblProduct3"), QString(), frame);
    const QChar decimal = m_context.Format().decimalSeparator();
    for (int i = 1; i <= 2; ++i) {
        QLineEdit *field = makeField(indexed("txtProduct", i), frame);
        m_product[i] = field;
        addRow(grid, i - 1, makeLabel(indexed("lblProduct", i), QString::fromLatin1(captions[i - 1]), frame), field,
               i == 2 ? m_sprayRateUnit : nullptr);
        connectText(field, texts[i - 1]);
        auto *behaviour =
            new EntryFieldBehaviour(field, i == 2 ? FieldTyping::Decimal : FieldTyping::FreeText, decimal, this);
        behaviour->onEnter = [this, i] {
            if (i < 2)
                m_product[2]->setFocus(Qt::TabFocusReason);
            else
                moveToTab(5, m_units[m_context.Set().Params.Metric ? 1 : 0]);
        };
    }
    // The product name is free text and may be long: let its field take the row.
    m_product[1]->setMinimumWidth(kFieldWidth);
    m_product[1]->setMaximumWidth(QWIDGETSIZE_MAX);
    grid->addWidget(m_product[1], 0, 1, 1, 3);
    finishGrid(grid, 2);
}

void ParameterPanel::buildUnits(QFrame *frame)
{
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(16, 10, 8, 8);
    column->setSpacing(6);
    const char *captions[] = {"U.S.", "Metric"};
    for (int n = 0; n <= 1; ++n) {
        auto *option = new QRadioButton(QString::fromLatin1(captions[n]), frame);
        option->setObjectName(indexed("optUnits", n));
        m_units[n] = option;
        column->addWidget(option);
        option->installEventFilter(this);
        connect(option, &QRadioButton::toggled, this, [this, n](bool checked) {
            if (checked)
                unitOptionChosen(n);
        });
    }
    column->addStretch(1);
}

bool ParameterPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_units[0] || watched == m_units[1])) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            moveToTab(1, m_sprayer[1]);
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void ParameterPanel::moveToTab(int n, QWidget *focus)
{
    SelectTab(n);
    focus->setFocus(Qt::TabFocusReason);
}

void ParameterPanel::SelectTab(int n)
{
    if (n >= 1 && n <= 5)
        m_tabs->setCurrentIndex(n - 1);
}

void ParameterPanel::SetCompact(bool compact)
{
    const int spacing = compact ? 2 : 4;
    const int margin = compact ? 4 : 8;
    for (int n = 1; n <= 4; ++n) {
        if (auto *grid = qobject_cast<QGridLayout *>(m_frames[n]->layout())) {
            grid->setVerticalSpacing(spacing);
            grid->setContentsMargins(margin, margin, margin, margin);
        }
    }
    if (auto *outer = layout())
        outer->setContentsMargins(compact ? 4 : 6, compact ? 2 : 6, compact ? 4 : 6, compact ? 4 : 6);
}

// --- the unit system ------------------------------------------------------------

void ParameterPanel::unitOptionChosen(int n)
{
    if (n == (m_context.Set().Params.Metric ? 1 : 0))
        return;
    m_context.Document().SetMetric(n == 1);
    // Only captions change, and the scan length is shown in the other unit
    // because it alone is held in centimetres.
    m_context.ApplyUnitLabels();
    // The impaction model reads the air temperature and wind speed in the units' scales.
    if (m_context.Set().Cloud.Method == CloudMethod::Impaction)
        showRecomputed();
}

void ParameterPanel::ApplyUnitLabels()
{
    const AnalysisParameters &params = m_context.Set().Params;
    const bool metric = params.Metric;
    m_sprayerHeightUnit->setText(metric ? QStringLiteral("m") : QStringLiteral("ft"));
    m_metHeightUnit->setText(metric ? QStringLiteral("m") : QStringLiteral("ft"));
    m_scanLengthUnit->setText(metric ? QStringLiteral("cm") : QStringLiteral("inches"));
    m_temperatureUnit->setText(metric ? QStringLiteral("C") : QStringLiteral("F"));
    m_windSpeedUnit->setText(metric ? QStringLiteral("km/h") : QStringLiteral("mph"));
    m_sprayRateUnit->setText(metric ? QStringLiteral("L/ha") : QStringLiteral("oz/ac"));
    {
        const QSignalBlocker blockUS(m_units[0]);
        const QSignalBlocker blockMetric(m_units[1]);
        m_units[metric ? 1 : 0]->setChecked(true);
    }
    m_optics[1]->setText(ScanLengthText(params, m_context.Format()));
}

// --- filling the fields ------------------------------------------------------------

void ParameterPanel::ResetFields()
{
    for (int i = 1; i <= 5; ++i)
        m_sprayer[i]->setText(QString());
    for (int i = 0; i <= 4; ++i)
        m_met[i]->setText(QString());
    for (int i = 1; i <= 2; ++i)
        m_product[i]->setText(QString());
    for (int i = 1; i <= 4; ++i)
        restoreOptics(i);
}

void ParameterPanel::ShowParameters()
{
    const ParameterTexts &texts = m_context.Set().Texts;
    const QString *values[] = {&texts.Agency, &texts.Sprayer, &texts.ReleaseHeight, &texts.Date, &texts.Time};
    for (int i = 1; i <= 5; ++i)
        m_sprayer[i]->setText(*values[i - 1]);
    const QString *met[] = {&texts.MetHeight, &texts.AirTemp, &texts.WindSpeed, &texts.WindDirection,
                            &texts.RelHumidity};
    for (int i = 0; i <= 4; ++i)
        m_met[i]->setText(*met[i]);
    m_product[1]->setText(texts.Product);
    m_product[2]->setText(texts.SprayRate);
    // Long texts show their beginning, not their end.
    for (QLineEdit *field : findChildren<QLineEdit *>())
        if (!field->hasFocus())
            field->setCursorPosition(0);
    for (int i = 1; i <= 4; ++i)
        restoreOptics(i);
    ApplyUnitLabels();
}

// --- the optics fields ---------------------------------------------------------------

void ParameterPanel::restoreOptics(int i)
{
    const AnalysisParameters &params = m_context.Set().Params;
    const NumberFormat &format = m_context.Format();
    switch (i) {
    case 1: m_optics[1]->setText(ScanLengthText(params, format)); break;
    case 2: m_optics[2]->setText(format.Format(params.MaxSizeEPD, "0")); break;
    case 3: m_optics[3]->setText(format.General(params.MicronsPerEPD)); break;
    case 4: m_optics[4]->setText(format.General(params.SpreadFactor)); break;
    default: break;
    }
}

void ParameterPanel::CommitOptics(int i)
{
    // A question box may take the focus away in the middle of a commit; the
    // field is not left twice.
    if (m_committing)
        return;
    {
        const QScopedValueRollback guard(m_committing, true);
        switch (i) {
        case 1: commitScanLength(); break;
        case 2: commitMaxSizeEPD(); break;
        case 3: commitMicronsPerEPD(); break;
        case 4: commitSpreadFactor(); break;
        default: break;
        }
    }
}

void ParameterPanel::CommitPendingEdits()
{
    // Only text the operator typed since the field was last written is new.
    for (int i = 1; i <= 4; ++i)
        if (m_optics[i]->isModified())
            CommitOptics(i);
}

void ParameterPanel::commitScanLength()
{
    const AnalysisParameters &params = m_context.Set().Params;
    const NumberFormat &format = m_context.Format();
    const QString text = m_optics[1]->text();
    float typed = 0;
    if (format.ToSingle(text, typed) != ParseStatus::Ok) {
        restoreOptics(1);
        showRecomputed();
        return;
    }
    // The field shows the length rounded to three decimals (in inches, an
    // inexact conversion): passing through it unchanged must not move the
    // stored length to the rounded figure.
    const float shown = static_cast<float>(params.Metric ? double(params.ScanLength)
                                                         : CentimetresToInches(params.ScanLength));
    if (text.trimmed() == ScanLengthText(params, format) || typed == shown || typed <= 0) {
        restoreOptics(1);
        return;
    }
    m_context.Document().SetScanLength(params.Metric ? typed : static_cast<float>(InchesToCentimetres(typed)));
    restoreOptics(1);
    showRecomputed();
}

void ParameterPanel::commitMaxSizeEPD()
{
    const SlideSet &set = m_context.Set();
    const AnalysisParameters &params = set.Params;
    const NumberFormat &format = m_context.Format();
    int16_t typed = 0;
    // A number beyond the 16-bit range is no better than text.
    if (format.ToInt16(m_optics[2]->text(), typed) != ParseStatus::Ok) {
        restoreOptics(2);
        showRecomputed();
        return;
    }
    if (typed == params.MaxSizeEPD || typed <= 0) {
        restoreOptics(2);
        return;
    }
    for (int i = 1; i <= set.SlideCount(); ++i) {
        if (set.Slides[i].LargestClass > typed) {
            const QString question = QStringLiteral("Some drops have been found with diameters larger than ")
                                     + format.Format(typed, "0") + QStringLiteral(" EPD.\n")
                                     + QStringLiteral("Keeping this value will delete these drops.\n\n")
                                     + QStringLiteral("Are you sure you want to continue?");
            if (MessageBoxes::Show(m_context.Window(), question, MessageBoxes::YesNo, MessageBoxes::Question)
                != MessageBoxes::Yes) {
                restoreOptics(2);
                return;
            }
            break;
        }
    }
    m_context.Document().SetMaxSizeEPD(typed);
    restoreOptics(2);
    m_context.ResizeCountTable();
    showRecomputed();
}

void ParameterPanel::commitMicronsPerEPD()
{
    const AnalysisParameters &params = m_context.Set().Params;
    float typed = 0;
    if (m_context.Format().ToSingle(m_optics[3]->text(), typed) != ParseStatus::Ok) {
        restoreOptics(3);
        showRecomputed();
        return;
    }
    if (typed == params.MicronsPerEPD || typed <= 0) {
        restoreOptics(3);
        return;
    }
    m_context.Document().SetMicronsPerEPD(typed);
    restoreOptics(3);
    m_context.RewriteDiameterColumn();
    showRecomputed();
}

void ParameterPanel::commitSpreadFactor()
{
    const AnalysisParameters &params = m_context.Set().Params;
    float typed = 0;
    if (m_context.Format().ToSingle(m_optics[4]->text(), typed) != ParseStatus::Ok) {
        restoreOptics(4);
        showRecomputed();
        return;
    }
    if (typed == params.SpreadFactor || typed <= 0) {
        restoreOptics(4);
        return;
    }
    m_context.Document().SetSpreadFactor(typed);
    restoreOptics(4);
    m_context.RewriteDiameterColumn();
    showRecomputed();
}

// The figures on view once the document has recomputed every slide for new
// optics (areas, densities and, for a new reticule, distributions).
void ParameterPanel::showRecomputed()
{
    if (m_context.Set().SlideCount() > 0) {
        // In composite view the line's figures change too, and the slide's area
        // shown beside them.
        if (m_context.IsCompositeView())
            m_context.CalcCompositeAndMedians();
        m_context.RefreshCurrentSlide();
    } else {
        m_context.SetHistogramRightLabel(m_context.Format().Format(m_context.View().LargestSizeFound, "0.0"));
    }
    m_context.DrawResult();
    m_context.UpdateHistogramLabels();
}

ParameterPanel::~ParameterPanel()
{
    for (QRadioButton *option : m_units)
        option->removeEventFilter(this);
    for (EntryFieldBehaviour *behaviour : findChildren<EntryFieldBehaviour *>())
        behaviour->Detach();
}
