#include "SlideSetCommands.h"

#include "MainFormContext.h"

SlideSetCommands::SlideSetCommands(MainFormContext &context)
    : m_context(context)
{
}

bool SlideSetCommands::Save() { return false; }
void SlideSetCommands::Load() {}
bool SlideSetCommands::ConfirmClose() { return true; }
