#pragma once

#include "model/SlideSet.h"

#include <QDialog>

#include <array>

class MainFormContext;
class QLabel;
class QLineEdit;
class QPushButton;

// The untreated control cage of the slide set: number in cage and the dead at
// 12 and 24 hours, with their raw percentages. Accept stores them in the slide
// set's ControlData; Cancel or Escape leaves it alone.
class frmControlData : public QDialog
{
    Q_OBJECT
public:
    frmControlData(MainFormContext &context, QWidget *parent = nullptr);
    ~frmControlData() override;

    // Leaving box i (1 … 3), as its focus-lost handling does.
    void LeaveBox(int i);
    // The control cage as accepted (the one shown at the start until then).
    const MortalityCounts &Result() const { return m_result; }

private:
    void numberInCageChanged(const QString &text);
    void enterPressed(int i);
    void setBoxEnabled(int i, bool enabled);
    void showPercentage(int i);
    void acceptData();
    bool readCount(int i, int16_t &value) const;

    MainFormContext &m_context;
    MortalityCounts m_result;
    std::array<QLineEdit *, 4> m_boxes{};  // txtMortality1 … 3
    std::array<QLabel *, 6> m_labels{};    // lblMortality1 … 5
    QPushButton *m_accept = nullptr;
    QPushButton *m_cancel = nullptr;
};
