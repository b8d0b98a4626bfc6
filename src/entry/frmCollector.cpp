#include "frmCollector.h"

#include "model/CloudWeights.h"
#include "model/NumberText.h"
#include "model/Units.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QLineEdit *numberBox(const QString &name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaximumWidth(90);
    return box;
}

QWidget *withUnit(QWidget *field, const QString &unit, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(new QLabel(unit, row));
    layout->addStretch(1);
    return row;
}

} // namespace

frmCollector::frmCollector(const SlideSet &set, const NumberFormat &format, QWidget *parent)
    : QDialog(parent), m_format(format), m_collector(set.Cloud.Collector)
{
    setObjectName(QStringLiteral("frmCollector"));
    setWindowTitle(QStringLiteral("Collector"));
    setModal(true);
    m_preview.Params = set.Params;
    m_preview.Texts = set.Texts;
    m_preview.Cloud = set.Cloud;
    ClearSlides(m_preview);

    auto *intro = new QLabel(QStringLiteral("How well the slide catches drops of each size, for the in-cloud "
                                            "figures of \"May & Clifford\"."),
                             this);
    intro->setWordWrap(true);

    auto *shapes = new QWidget(this);
    auto *shapeRow = new QHBoxLayout(shapes);
    shapeRow->setContentsMargins(0, 0, 0, 0);
    optRibbon = new QRadioButton(QStringLiteral("Ribbon (flat slide facing the flow)"), shapes);
    optRibbon->setObjectName(QStringLiteral("optRibbon"));
    optCylinder = new QRadioButton(QStringLiteral("Cylinder (rod, slide edge)"), shapes);
    optCylinder->setObjectName(QStringLiteral("optCylinder"));
    shapeRow->addWidget(optRibbon);
    shapeRow->addWidget(optCylinder);
    shapeRow->addStretch(1);
    (m_collector.Shape == CollectorShape::Cylinder ? optCylinder : optRibbon)->setChecked(true);

    txtWidth = numberBox(QStringLiteral("txtWidth"), format.General(float(m_collector.WidthMM)), this);
    const SamplingAir trialAir = [&] {
        SlideSet trial = m_preview;
        trial.Cloud.Collector.AirSpeedMS.reset();
        return ResolveSamplingAir(trial);
    }();
    chkTrialWind = new QCheckBox(
        trialAir.SpeedGiven
            ? QStringLiteral("the trial's wind speed (%1 m/s)").arg(format.Format(trialAir.SpeedMS, "0.00"))
            : QStringLiteral("the trial's wind speed (none given)"),
        this);
    chkTrialWind->setObjectName(QStringLiteral("chkTrialWind"));
    chkTrialWind->setChecked(!m_collector.AirSpeedMS);
    txtAirSpeed = numberBox(
        QStringLiteral("txtAirSpeed"),
        format.General(float(m_collector.AirSpeedMS ? *m_collector.AirSpeedMS : trialAir.SpeedMS)), this);
    txtDropDensity = numberBox(QStringLiteral("txtDropDensity"), format.General(float(m_collector.DropDensity)), this);
    lblAir = new QLabel(this);
    lblAir->setObjectName(QStringLiteral("lblAir"));
    lblAir->setWordWrap(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Shape:"), shapes);
    form->addRow(QStringLiteral("Width facing the flow:"), withUnit(txtWidth, QStringLiteral("mm"), this));
    form->addRow(QStringLiteral("Air speed past it:"), chkTrialWind);
    form->addRow(QString(), withUnit(txtAirSpeed, QStringLiteral("m/s"), this));
    form->addRow(QStringLiteral("Drop density:"),
                 withUnit(txtDropDensity, QStringLiteral("kg/m") + QChar(u'\u00B3'), this));

    gridEfficiency = new QTableWidget(0, 3, this);
    gridEfficiency->setObjectName(QStringLiteral("gridEfficiency"));
    gridEfficiency->setHorizontalHeaderLabels(
        {QStringLiteral("EPD"), QStringLiteral("Diam. (") + Microns() + QStringLiteral(")"), QStringLiteral("E")});
    gridEfficiency->verticalHeader()->setVisible(false);
    gridEfficiency->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridEfficiency->setSelectionMode(QAbstractItemView::NoSelection);
    gridEfficiency->setFocusPolicy(Qt::NoFocus);
    gridEfficiency->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gridEfficiency->verticalHeader()->setDefaultSectionSize(gridEfficiency->fontMetrics().height() + 6);
    gridEfficiency->setMinimumHeight(180);
    auto *note = new QLabel(QStringLiteral("Grey rows lie below E = %1: their drops weigh as if %2 were caught, so "
                                           "the in-cloud share of the smallest drops is a lower bound.")
                                .arg(format.Format(kEfficiencyFloor, "0.00"), format.Format(kEfficiencyFloor, "0%")),
                            this);
    note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { cmdOK_Click(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(lblAir);
    layout->addWidget(gridEfficiency, 1);
    layout->addWidget(note);
    layout->addWidget(buttons);

    for (QLineEdit *box : {txtWidth, txtAirSpeed, txtDropDensity})
        connect(box, &QLineEdit::textChanged, this, [this] { showEfficiencies(); });
    connect(optRibbon, &QRadioButton::toggled, this, [this] { showEfficiencies(); });
    connect(chkTrialWind, &QCheckBox::toggled, this, [this] { trialWindToggled(); });
    trialWindToggled();
    resize(420, 560);
}

bool frmCollector::readBoxes(CollectorSettings &out, QLineEdit **bad, QString *why) const
{
    out.Shape = optCylinder->isChecked() ? CollectorShape::Cylinder : CollectorShape::Ribbon;
    auto read = [&](QLineEdit *box, bool zeroAllowed, const QString &what, double &value) {
        if (m_format.ToDouble(box->text(), value) == ParseStatus::Ok && (value > 0 || (zeroAllowed && value == 0))
            && value < 1e6)
            return true;
        *bad = box;
        *why = QStringLiteral("\"%1\" is not %2.").arg(box->text().trimmed(), what);
        return false;
    };
    if (!read(txtWidth, false, QStringLiteral("a collector width in mm"), out.WidthMM))
        return false;
    if (chkTrialWind->isChecked()) {
        out.AirSpeedMS.reset();
    } else {
        double speed = 0;
        if (!read(txtAirSpeed, true, QStringLiteral("an air speed in m/s"), speed))
            return false;
        out.AirSpeedMS = speed;
    }
    return read(txtDropDensity, false, QStringLiteral("a drop density in kg/m") + QChar(u'\u00B3'), out.DropDensity);
}

void frmCollector::trialWindToggled()
{
    txtAirSpeed->setEnabled(!chkTrialWind->isChecked());
    showEfficiencies();
}

void frmCollector::showEfficiencies()
{
    CollectorSettings typed;
    QLineEdit *bad = nullptr;
    QString why;
    // While a box does not hold a sound value the table shows the last sound one.
    if (!readBoxes(typed, &bad, &why))
        return;
    m_preview.Cloud.Collector = typed;
    const SamplingAir air = ResolveSamplingAir(m_preview);
    if (chkTrialWind->isChecked()) {
        const QSignalBlocker quiet(txtAirSpeed);
        txtAirSpeed->setText(m_format.General(float(air.SpeedMS)));
    }
    lblAir->setText(
        QStringLiteral("Air viscosity %1 %2Pa\u00B7s at %3 \u00B0C%4.")
            .arg(m_format.Format(air.Viscosity * 1e6, "0.00"), QString(kMicro), m_format.Format(air.TemperatureC, "0.0"),
                 air.TemperatureGiven ? QStringLiteral(" (the trial's air temperature)")
                                      : QStringLiteral(" (the trial gives no air temperature)")));
    const std::vector<double> e = ClassEfficiencies(m_preview);
    const int classes = int(e.size()) - 1;
    gridEfficiency->setRowCount(std::max(classes, 0));
    const QColor below = palette().color(QPalette::Disabled, QPalette::Text);
    for (int k = 1; k <= classes; ++k) {
        const QString texts[3] = {QString::number(k), m_format.Format(ShownClassDiameter(m_preview.Params, k), "0.0"),
                                  m_format.Format(e[size_t(k)], "0.000")};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem *item = gridEfficiency->item(k - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                gridEfficiency->setItem(k - 1, c, item);
            }
            item->setText(texts[c]);
            item->setForeground(e[size_t(k)] < kEfficiencyFloor ? below : palette().color(QPalette::Text));
        }
    }
}

void frmCollector::cmdOK_Click()
{
    CollectorSettings read;
    QLineEdit *bad = nullptr;
    QString why;
    if (!readBoxes(read, &bad, &why)) {
        MessageBoxes::Show(this, why, MessageBoxes::OkOnly, MessageBoxes::Exclamation);
        bad->setFocus();
        bad->selectAll();
        return;
    }
    m_collector = read;
    accept();
}
