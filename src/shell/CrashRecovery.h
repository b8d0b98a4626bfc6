#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class MainWindow;
class NumberFormat;
class QLabel;
class RecoveryFolder;
class RecoverySession;
class RecoveryWriter;
struct RecoveryNote;

// Crash recovery for one window: offers what a window that did not close left
// behind, then keeps this window's unsaved work in its own recovery file until
// the window closes with the operator's consent. When the folder cannot be
// written the operator is told once, the window carries a mark while no copy
// is kept, and the copies are tried again until one succeeds.
class CrashRecovery : public QObject
{
    Q_OBJECT
public:
    // Claims a session in `folder`, asks about every file left by a crash (the
    // newest first) until one is recovered, and from then on follows the form's
    // changes. Owned by the form.
    static CrashRecovery *Attach(MainWindow &form, const QString &folder);
    ~CrashRecovery() override;

    // "Nimbrel was not closed properly. …" for a left-over file, on several lines.
    static QString QuestionText(const RecoveryNote &note, const NumberFormat &format);
    // Told once, at the first failure: what is at stake and what to do.
    static QString FailureText(const QString &reason);

    // False while no copy can be kept (the mark is shown).
    bool IsOn() const { return !m_off; }
    // Empty while no session could be begun.
    QString DataPath() const;
    // Null while no session could be begun.
    RecoveryWriter *Writer() const { return m_writer; }

private:
    CrashRecovery(MainWindow &form, std::unique_ptr<RecoveryFolder> folder);
    std::unique_ptr<RecoverySession> offerLeftovers(std::unique_ptr<RecoverySession> own);
    RecoveryNote noteOf(const RecoverySession &session) const;
    void start(std::unique_ptr<RecoverySession> session);
    void tryStart();
    void changed();
    void turnedOff(const QString &reason);
    void turnedOn();

    MainWindow &m_form;
    std::unique_ptr<RecoveryFolder> m_folder;
    std::unique_ptr<RecoverySession> m_session;
    RecoveryWriter *m_writer = nullptr;
    QTimer m_retry; // a session tried again while none could be begun
    QLabel *m_mark = nullptr;
    bool m_off = false;
    bool m_told = false;
    bool m_closed = false;
};
