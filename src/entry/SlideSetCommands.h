#pragma once

#include <QString>

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

    // The folder part of a chosen file, up to and including its last separator,
    // as the file dialogs start from it next time.
    static QString FolderOf(const QString &fileName);

private:
    void commitPendingEdits();

    MainFormContext &m_context;
};
