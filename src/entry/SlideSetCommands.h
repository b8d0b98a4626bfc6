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
    // A set kept by crash recovery, read like any slide set file (a damaged one is
    // refused with the usual messages). Its dialogs then start at `sourceFile`,
    // the file it came from. True when the set was loaded.
    bool LoadRecovered(const QString &path, const QString &sourceFile);
    // Asked when the window closes; true when it may close.
    bool ConfirmClose();
    // A file named on the command line or dropped onto the window. First the
    // question about unsaved work (false: the operator stays with the set) …
    bool ConfirmOpen(const QString &path);
    // … then the file loaded as Load loads a chosen one, with the same messages;
    // a refused file leaves the set as it was. True when loaded.
    bool Open(const QString &path);
    // The set no longer belongs to its file (every slide deleted).
    void ForgetFile();

    // The folder part of a chosen file, up to and including its last separator,
    // as the file dialogs start from it next time.
    static QString FolderOf(const QString &fileName);

    // The file the set was loaded from or last saved to; empty for a new set.
    QString FileName() const { return m_fileName; }

private:
    void commitPendingEdits();
    // Unsaved work: save it (Yes), let it go (No) or stay (Cancel: false).
    bool confirmUnsaved(const QString &question);
    bool loadFile(const QString &path, const QString &fileTitle);

    MainFormContext &m_context;
    QString m_fileName;
    bool m_proposeFileName = false; // a recovered set is saved back where it came from
};
