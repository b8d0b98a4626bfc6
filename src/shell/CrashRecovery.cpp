#include "shell/CrashRecovery.h"

#include "entry/SlideSetDocument.h"
#include "files/SlideSetFile.h"
#include "platform/ui/MessageBoxes.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "shell/MainWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTabBar>

namespace {

QString Counted(const NumberFormat &format, qint64 n, const QString &one, const QString &many)
{
    return format.Format(double(n), "0") + QLatin1Char(' ') + (n == 1 ? one : many);
}

} // namespace

CrashRecovery *CrashRecovery::Attach(MainWindow &form, const QString &folder)
{
    auto *recovery = new CrashRecovery(form, std::make_unique<RecoveryFolder>(folder));
    QString why;
    std::unique_ptr<RecoverySession> own = recovery->m_folder->BeginSession(&why);
    if (own)
        own = recovery->offerLeftovers(std::move(own));

    // Every change of the set, every save or recovery mark and every change of
    // the slide on view reaches the writer; it asks the form what is still
    // unsaved when it takes its copy.
    connect(&form.Document(), &SlideSetDocument::Changed, recovery, [recovery] { recovery->changed(); });
    connect(&form.Document(), &SlideSetDocument::ModifiedMarked, recovery, [recovery] { recovery->changed(); });
    if (auto *strip = form.findChild<QTabBar *>(QStringLiteral("SlideStrip")))
        connect(strip, &QTabBar::currentChanged, recovery, [recovery] { recovery->changed(); });
    connect(&form, &MainWindow::Closed, recovery, [recovery] {
        recovery->m_closed = true;
        recovery->m_retry.stop();
        if (recovery->m_writer)
            recovery->m_writer->Finish();
        if (recovery->m_session)
            recovery->m_session->RemoveFiles();
    });

    if (own)
        recovery->start(std::move(own));
    else
        recovery->turnedOff(why);
    if (form.IsModified())
        recovery->changed(); // the recovered set, brought up to date
    return recovery;
}

CrashRecovery::CrashRecovery(MainWindow &form, std::unique_ptr<RecoveryFolder> folder)
    : QObject(&form)
    , m_form(form)
    , m_folder(std::move(folder))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RecoveryWriter::kIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &CrashRecovery::tryStart);
}

CrashRecovery::~CrashRecovery()
{
    // The writer finishes its last copy before the session lets go of the lock.
    delete m_writer;
    m_writer = nullptr;
}

QString CrashRecovery::DataPath() const
{
    return m_session ? m_session->DataPath() : QString();
}

void CrashRecovery::start(std::unique_ptr<RecoverySession> session)
{
    m_session = std::move(session);
    MainWindow &form = m_form;
    m_writer = new RecoveryWriter(
        m_session->DataPath(), m_session->NotePath(),
        [&form]() -> std::optional<RecoverySnapshot> {
            // An empty set holds nothing worth a question at the next start.
            if (!form.IsModified() || form.Set().SlideCount() == 0)
                return std::nullopt;
            return RecoverySnapshot{form.Set(), form.ListSeparator(), form.Format(), form.SlideSetFileName()};
        },
        this);
    connect(m_writer, &RecoveryWriter::CopyFailed, this, &CrashRecovery::turnedOff);
    connect(m_writer, &RecoveryWriter::CopyRestored, this, &CrashRecovery::turnedOn);
}

void CrashRecovery::tryStart()
{
    if (m_closed || m_writer)
        return;
    QString why;
    std::unique_ptr<RecoverySession> session = m_folder->BeginSession(&why);
    if (!session) {
        turnedOff(why);
        return;
    }
    start(std::move(session));
    turnedOn();
    changed();
}

void CrashRecovery::changed()
{
    if (!m_closed && m_writer)
        m_writer->Changed();
}

QString CrashRecovery::FailureText(const QString &reason)
{
    return QStringLiteral("Nimbrel cannot keep its recovery copy of your work:\n\n") + reason
        + QStringLiteral("\n\nUntil this is put right, a crash or a power cut loses everything not saved.\n"
                         "Save your work often. Nimbrel keeps trying, and the mark \"Recovery off\"\n"
                         "leaves the window once a copy is kept again.");
}

void CrashRecovery::turnedOff(const QString &reason)
{
    if (m_closed)
        return;
    if (!m_off)
        qWarning("crash recovery off: %s", qPrintable(reason));
    m_off = true;
    if (!m_mark) {
        m_mark = new QLabel(QStringLiteral("Recovery off"), &m_form);
        m_mark->setObjectName(QStringLiteral("lblRecoveryOff"));
        m_mark->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
        m_mark->setAlignment(Qt::AlignCenter);
    }
    m_mark->setToolTip(reason);
    // Under the command buttons, where the eye goes for Save.
    if (const auto *save = m_form.findChild<QWidget *>(QStringLiteral("btnSaveData")))
        m_mark->setGeometry(save->x(), save->geometry().bottom() + 8, save->width(), m_mark->sizeHint().height());
    else
        m_mark->adjustSize();
    m_mark->show();
    m_mark->raise();
    if (!m_told) {
        m_told = true;
        MessageBoxes::Show(&m_form, FailureText(reason), MessageBoxes::OkOnly, MessageBoxes::Exclamation);
    }
    if (!m_writer)
        m_retry.start();
}

void CrashRecovery::turnedOn()
{
    m_off = false;
    if (m_mark)
        m_mark->hide();
}

QString CrashRecovery::QuestionText(const RecoveryNote &note, const NumberFormat &format)
{
    QString what = QStringLiteral("an unsaved set");
    if (!note.SourceFile.isEmpty()) {
        const QFileInfo source(note.SourceFile);
        what = source.fileName() + QStringLiteral("\nin ") + QDir::toNativeSeparators(source.path());
    }
    return QStringLiteral("Nimbrel was not closed properly.\n\nA copy of ") + what + QStringLiteral("\nwith ")
        + Counted(format, note.Slides, QStringLiteral("slide"), QStringLiteral("slides")) + QStringLiteral(" and ")
        + Counted(format, note.Drops, QStringLiteral("drop"), QStringLiteral("drops")) + QStringLiteral(", taken ")
        + QLocale().toString(note.Written.toLocalTime(), QLocale::ShortFormat)
        + QStringLiteral(",\ncan be recovered.\n\nRecover it?");
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
            // Back on the slide that was under the microscope; the focus stays in
            // the drop box.
            const int16_t onView = note.OnView ? FindSlideAtPosition(m_form.Set(), *note.OnView) : 0;
            if (onView >= 1 && onView != m_form.Set().CurrentSlide)
                m_form.SelectSlideTab(onView);
            // The window carries on in the recovered file: it is never without
            // one on disk. Files of other crashed windows wait for the next start.
            return std::move(leftover);
        }
        m_folder->SetAside(*leftover);
    }
    return own;
}
