#include "MortalityPanel.h"

#include "MainFormContext.h"

MortalityPanel::MortalityPanel(MainFormContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("&Mortality Information"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameMortality"));
}

void MortalityPanel::UpdateMortality(int16_t, bool) {}
void MortalityPanel::SetEntryEnabled(bool) {}
void MortalityPanel::SetCompact(bool) {}
