#pragma once

#include "model/SlideSet.h"

#include <QDialog>

class NumberFormat;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

// The collector of the impaction model: its shape and width, the air speed past
// it and the density of the drops, with the collection efficiency they give each
// size class of the set shown as they are typed. OK keeps them only when every
// box holds a sound value.
class frmCollector : public QDialog
{
    Q_OBJECT
public:
    frmCollector(const SlideSet &set, const NumberFormat &format, QWidget *parent = nullptr);

    CollectorSettings Collector() const { return m_collector; }

    void cmdOK_Click();

private:
    // The boxes as settings; false (with the box at fault and why) when one
    // does not hold a sound value.
    bool readBoxes(CollectorSettings &out, QLineEdit **bad, QString *why) const;
    void showEfficiencies();
    void trialWindToggled();

    const NumberFormat &m_format;
    SlideSet m_preview; // the set's optics and meteorology, no slides
    CollectorSettings m_collector;
    QRadioButton *optRibbon = nullptr;
    QRadioButton *optCylinder = nullptr;
    QLineEdit *txtWidth = nullptr;
    QCheckBox *chkTrialWind = nullptr;
    QLineEdit *txtAirSpeed = nullptr;
    QLineEdit *txtDropDensity = nullptr;
    QLabel *lblAir = nullptr;
    QTableWidget *gridEfficiency = nullptr;
};
