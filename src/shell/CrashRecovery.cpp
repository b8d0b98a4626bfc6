#include "shell/CrashRecovery.h"

#include "entry/SlideSetDocument.h"
#include "files/SlideSetFile.h"
#include "platform/ui/MessageBoxes.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "shell/MainWindow.h"

#include <QLocale>

CrashRecovery *CrashRecovery::Attach(MainWindow &form, const QString &folder)
{
    auto recoveryFolder = std::make_unique<RecoveryFolder>(folder);
    std::unique_ptr<RecoverySession> own = recoveryFolder->BeginSession();
    if (!own) {
        qWarning("no crash recovery: cannot use %s", qPrintable(folder));
        return nullptr;
    }
    auto *recovery = new CrashRecovery(form, std::move(recoveryFolder), nullptr);
    recovery->m_session = recovery->offerLeftovers(std::move(own));

    RecoverySession &session = *recovery->m_session;
    recovery->m_writer = new RecoveryWriter(
        session.DataPath(), session.NotePath(),
        [&form]() -> std::optional<RecoverySnapshot> {
            // An empty set holds nothing worth a question at the next start.
            if (!form.IsModified() || form.Set().SlideCount() == 0)
                return std::nullopt;
            return RecoverySnapshot{form.Set(), form.ListSeparator(), form.Format(), form.SlideSetFileName()};
        },
        recovery);
    // Every change of the set, and every save or recovery mark, reaches the
    // writer; it asks the form what is still unsaved when it takes its copy.
    RecoveryWriter *writer = recovery->m_writer;
    connect(&form.Document(), &SlideSetDocument::Changed, writer, [writer] { writer->Changed(); });
    connect(&form.Document(), &SlideSetDocument::ModifiedMarked, writer, [writer] { writer->Changed(); });
    connect(&form, &MainWindow::Closed, recovery, [recovery] {
        recovery->m_writer->Finish();
        recovery->m_session->RemoveFiles();
    });
    if (form.IsModified())
        recovery->m_writer->Changed(); // the recovered set, brought up to date
    return recovery;
}

CrashRecovery::CrashRecovery(MainWindow &form, std::unique_ptr<RecoveryFolder> folder,
                             std::unique_ptr<RecoverySession> session)
    : QObject(&form)
    , m_form(form)
    , m_folder(std::move(folder))
    , m_session(std::move(session))
{
}

CrashRecovery::~CrashRecovery()
{
    // The writer finishes its last copy before the session lets go of the lock.
    delete m_writer;
    m_writer = nullptr;
}

QString CrashRecovery::DataPath() const
{
    return m_session->DataPath();
}

QString CrashRecovery::QuestionText(const RecoveryNote &note, const NumberFormat &format)
{
    return QStringLiteral("Nimbrel was not closed properly. A slide set of ") + format.Format(note.Slides, "0")
        + QStringLiteral(" slides (") + format.Format(double(note.Drops), "0") + QStringLiteral(" drops) from ")
        + QLocale().toString(note.Written.toLocalTime(), QLocale::ShortFormat)
        + QStringLiteral(" can be recovered. Recover it?");
}

RecoveryNote CrashRecovery::noteOf(const RecoverySession &session) const
{
    if (std::optional<RecoveryNote> note = session.ReadNote())
        return *note;
    // No note (the crash came between the two writes): count the file itself.
    RecoveryNote note;
    note.Written = session.DataTime();
    const LoadResult read = ReadSlideSetFile(session.DataPath(), m_form.ListSeparator(), m_form.Format());
    if (read.Loaded) {
        const SlideSet &set = read.Loaded->Set;
        note.Slides = set.SlideCount();
        for (int i = 1; i <= set.SlideCount(); ++i)
            note.Drops += set.Slides[i].TotalDrops;
    }
    return note;
}

std::unique_ptr<RecoverySession> CrashRecovery::offerLeftovers(std::unique_ptr<RecoverySession> own)
{
    for (std::unique_ptr<RecoverySession> &leftover : m_folder->ClaimOrphans()) {
        const RecoveryNote note = noteOf(*leftover);
        if (MessageBoxes::Show(&m_form, QuestionText(note, m_form.Format()), MessageBoxes::YesNo, MessageBoxes::Question)
            != MessageBoxes::Yes) {
            m_folder->Discard(*leftover);
            continue;
        }
        if (m_form.LoadRecoveredSet(leftover->DataPath(), note.SourceFile)) {
            // The window carries on in the recovered file: it is never without
            // one on disk. Files of other crashed windows wait for the next start.
            return std::move(leftover);
        }
        m_folder->SetAside(*leftover);
    }
    return own;
}
