#pragma once

#include <QGroupBox>

class MainFormContext;

// The "Analysis Parameters" frame: the tab strip tabParameters with its five
// frames (Sprayer, Optics, Meteorology, Product, Units), their fields, labels and
// unit labels, the optics commits and the unit system.
class ParameterPanel : public QGroupBox
{
    Q_OBJECT
public:
    ParameterPanel(MainFormContext &context, QWidget *parent = nullptr);

    // Empties the descriptive fields (and their texts in the slide set) and
    // refills the optics fields from the current parameters.
    void ResetFields();
    // Writes every field and the unit option from the slide set (after a load).
    void ShowParameters();
    // This panel's unit captions and the scan-length field, for the current system.
    void ApplyUnitLabels();
    // The compact arrangement of the small-screen layout.
    void SetCompact(bool compact);
    // Brings frameParamInfo(n) to the front (n = 1 … 5).
    void SelectTab(int n);

private:
    MainFormContext &m_context;
};
