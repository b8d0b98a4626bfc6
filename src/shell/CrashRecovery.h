#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class MainWindow;
class NumberFormat;
class RecoveryFolder;
class RecoverySession;
class RecoveryWriter;
struct RecoveryNote;

// Crash recovery for one window: offers what a window that did not close left
// behind, then keeps this window's unsaved work in its own recovery file until
// the window closes with the operator's consent.
class CrashRecovery : public QObject
{
    Q_OBJECT
public:
    // Claims a session in `folder`, asks about every file left by a crash (the
    // newest first) until one is recovered, and from then on follows the form's
    // changes. Owned by the form. Null when the folder cannot be used.
    static CrashRecovery *Attach(MainWindow &form, const QString &folder);
    ~CrashRecovery() override;

    // "Nimbrel was not closed properly. …" for a left-over file.
    static QString QuestionText(const RecoveryNote &note, const NumberFormat &format);

    QString DataPath() const;
    RecoveryWriter &Writer() const { return *m_writer; }

private:
    CrashRecovery(MainWindow &form, std::unique_ptr<RecoveryFolder> folder, std::unique_ptr<RecoverySession> session);
    std::unique_ptr<RecoverySession> offerLeftovers(std::unique_ptr<RecoverySession> own);
    RecoveryNote noteOf(const RecoverySession &session) const;

    MainWindow &m_form;
    std::unique_ptr<RecoveryFolder> m_folder;
    std::unique_ptr<RecoverySession> m_session;
    RecoveryWriter *m_writer = nullptr;
};
