#pragma once

#include <QGroupBox>

#include <cstdint>

class MainFormContext;

// The frame frameMortality: the four cage-count boxes of the slide on view,
// their results, the warning without control data and the "Control Data" button.
class MortalityPanel : public QGroupBox
{
    Q_OBJECT
public:
    MortalityPanel(MainFormContext &context, QWidget *parent = nullptr);

    // Recomputes the slide's knockdown and corrected mortality (slide 0: the
    // current one) and, unless computeOnly, shows its counts and results.
    void UpdateMortality(int16_t slide, bool computeOnly);
    // The mortality part of enabling or disabling data entry; disabling also
    // empties the boxes and hides the results.
    void SetEntryEnabled(bool enabled);
    // The compact arrangement of the small-screen layout ("No control" over
    // "data entered").
    void SetCompact(bool compact);

private:
    MainFormContext &m_context;
};
