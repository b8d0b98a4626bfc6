#include "ParameterPanel.h"

#include "MainFormContext.h"

ParameterPanel::ParameterPanel(MainFormContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("Analysis Parameters"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameParameters"));
}

void ParameterPanel::ResetFields() {}
void ParameterPanel::ShowParameters() {}
void ParameterPanel::ApplyUnitLabels() {}
void ParameterPanel::SetCompact(bool) {}
void ParameterPanel::SelectTab(int) {}
