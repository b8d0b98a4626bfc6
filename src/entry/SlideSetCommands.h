#pragma once

class MainFormContext;

// The "Save Slide Set" and "Load Slide Set" commands, and the question about
// unsaved work when the window closes.
class SlideSetCommands
{
public:
    explicit SlideSetCommands(MainFormContext &context);

    // True when the file was written.
    bool Save();
    // Offered only while the slide set is empty.
    void Load();
    // Asked when the window closes; true when it may close.
    bool ConfirmClose();

private:
    MainFormContext &m_context;
};
