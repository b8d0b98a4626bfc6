#pragma once

#include "model/LabelLimits.h"

#include <QDialog>

#include <array>

class NumberFormat;
class QLineEdit;

// The droplet-size limits of the product label: Dv0.5 from and to, Dv0.9 below,
// in µm; a box left empty is no limit. OK keeps them only when every box holds
// a diameter (or nothing) and the Dv0.5 range is not upside down.
class frmLabelLimits : public QDialog
{
    Q_OBJECT
public:
    frmLabelLimits(const LabelLimits &limits, const NumberFormat &format, QWidget *parent = nullptr);

    LabelLimits Limits() const { return m_limits; }

    void cmdOK_Click();

private:
    const NumberFormat &m_format;
    LabelLimits m_limits;
    std::array<QLineEdit *, 3> m_boxes{};
};
