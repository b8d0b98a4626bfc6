#include "frmLabelLimits.h"

#include "entry/NumericKeyFilter.h"
#include "model/NumberText.h"
#include "model/Units.h"
#include "platform/ui/MessageBoxes.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLabelLimits::frmLabelLimits(const LabelLimits &limits, const NumberFormat &format, QWidget *parent)
    : QDialog(parent), m_format(format), m_limits(limits)
{
    setObjectName(QStringLiteral("frmLabelLimits"));
    setWindowTitle(QStringLiteral("Label Limits"));
    setModal(true);

    auto *intro = new QLabel(QStringLiteral("Droplet-size limits from the product label, in ") + Microns()
                                 + QStringLiteral(".\nLeave a box empty where the label sets no limit."),
                             this);
    auto *form = new QFormLayout;
    const char *names[3] = {"txtDv05From", "txtDv05To", "txtDv09Below"};
    const QString captions[3] = {QStringLiteral("Dv0.5 (VMD) from:"), QStringLiteral("Dv0.5 (VMD) to:"),
                                 QStringLiteral("Dv0.9 below:")};
    const std::optional<float> values[3] = {limits.Dv05From, limits.Dv05To, limits.Dv09Below};
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    for (int i = 0; i < 3; ++i) {
        QLineEdit *box = new QLineEdit(values[i] ? format.General(*values[i]) : QString(), this);
        m_boxes[size_t(i)] = box;
        box->setObjectName(QString::fromLatin1(names[i]));
        form->addRow(captions[i], box);
        // A diameter in µm: digits and one decimal separator. Enter goes on to
        // the next box, from the last to OK, as in every field of the program.
        auto *field = new EntryFieldBehaviour(box, FieldTyping::Decimal, format.decimalSeparator(), this);
        QWidget *next = i < 2 ? static_cast<QWidget *>(nullptr) : ok;
        field->onEnter = [this, i, next] { (next ? next : m_boxes[size_t(i) + 1])->setFocus(Qt::TabFocusReason); };
    }
    ok->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { cmdOK_Click(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void frmLabelLimits::cmdOK_Click()
{
    std::optional<float> read[3];
    for (int i = 0; i < 3; ++i) {
        QLineEdit *box = m_boxes[size_t(i)];
        const QString text = box->text().trimmed();
        if (text.isEmpty())
            continue;
        float value = 0;
        if (m_format.ToSingle(text, value) != ParseStatus::Ok || !(value > 0)) {
            MessageBoxes::Show(this, QStringLiteral("\"%1\" is not a droplet diameter in %2.").arg(text, Microns()),
                               MessageBoxes::OkOnly, MessageBoxes::Exclamation);
            box->setFocus();
            box->selectAll();
            return;
        }
        read[i] = value;
    }
    if (read[0] && read[1] && *read[0] > *read[1]) {
        MessageBoxes::Show(this, QStringLiteral("The Dv0.5 range ends below where it starts."), MessageBoxes::OkOnly,
                           MessageBoxes::Exclamation);
        m_boxes[1]->setFocus();
        m_boxes[1]->selectAll();
        return;
    }
    m_limits = LabelLimits{read[0], read[1], read[2]};
    accept();
}
