#pragma once

#include <QString>

class QWidget;

// The platform's file-open and file-save dialogs behind a few properties and two
// calls. One instance per use: set the properties, show, read the chosen file.
// Filters are written as "description|pattern" pairs joined by "|", for example
// "Comma-Separated Values File (*.csv)|*.csv".
class CCommonDialogs
{
public:
    void Init(QWidget *ownerForm) { m_owner = ownerForm; }

    QString Title;
    QString InitialDir;
    QString Filter;
    int FilterIndex = 1;   // 1-based
    QString DefExt;        // added to a typed name without an extension
    QString FileName;      // in: the proposed name; out: the full path chosen
    QString FileTitle;     // out: the chosen file's name without its folder
    QString Path;          // out: the folder of the chosen file, no trailing separator

    // Open dialog: the file must exist. True when a file was chosen; on cancel
    // false, and the properties keep their values.
    bool ShowOpen();
    // Save dialog: the folder must exist, and replacing a file is confirmed.
    bool ShowSave();

    // --- test seam -----------------------------------------------------------
    // While choices are queued, ShowOpen/ShowSave take the next one instead of
    // showing a dialog: a path (the default extension is added as the dialog
    // would) or a cancel.
    static void QueueFileName(const QString &path);
    static void QueueCancel();
    static void ClearQueue();
    static int QueuedChoices();
    // What the last dialog was asked to show.
    static QString LastTitle();
    static QString LastInitialDir();
    static QString LastFileName(); // the name it proposed
    static QString LastFilter();
    static int ShownCount();
    static void ResetLog();

    // Qt's form of a "description|pattern|…" filter: one entry per pair.
    static QStringList NameFilters(const QString &filter);
    // `name` with ".ext" appended when it has no extension of its own.
    static QString WithDefaultExtension(const QString &name, const QString &defExt);

private:
    bool show(bool save);
    void takeChoice(const QString &path);

    QWidget *m_owner = nullptr;
};
