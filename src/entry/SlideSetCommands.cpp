#include "SlideSetCommands.h"

#include "MainFormContext.h"
#include "MortalityPanel.h"
#include "ParameterPanel.h"
#include "SlideSetDocument.h"
#include "files/SlideSetFile.h"
#include "platform/ui/CCommonDialogs.h"
#include "platform/ui/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

const QString kFilter = QStringLiteral("Comma-Separated Values File (*.csv)|*.csv");

} // namespace

SlideSetCommands::SlideSetCommands(MainFormContext &context)
    : m_context(context)
{
}

QString SlideSetCommands::FolderOf(const QString &fileName)
{
    const QString path = QDir::fromNativeSeparators(fileName);
    const int last = path.lastIndexOf(QLatin1Char('/'));
    return last < 0 ? QString() : QDir::toNativeSeparators(path.left(last + 1));
}

// A count or an optics value still being typed has not reached the slide set:
// the shortcut that saves or the window's close button does not move the focus.
void SlideSetCommands::commitPendingEdits()
{
    QWidget *window = m_context.Window();
    if (!window)
        return;
    if (auto *parameters = window->findChild<ParameterPanel *>())
        parameters->CommitPendingEdits();
    if (auto *mortality = window->findChild<MortalityPanel *>())
        mortality->CommitPendingEdits();
}

bool SlideSetCommands::Save()
{
    commitPendingEdits();

    CCommonDialogs dialog;
    dialog.Init(m_context.Window());
    dialog.Title = QStringLiteral("Save Slide Set");
    dialog.InitialDir = m_context.InitialDir();
    dialog.Filter = kFilter;
    dialog.FilterIndex = 1;
    dialog.DefExt = QStringLiteral("csv");
    if (m_proposeFileName)
        dialog.FileName = m_fileName;
    if (!dialog.ShowSave())
        return false;
    m_context.InitialDir() = FolderOf(dialog.FileName);

    const QString failure = WriteSlideSetFile(dialog.FileName, m_context.Set(), m_context.ListSeparator(),
                                              m_context.Format(), &m_context.View().Composite);
    if (!failure.isEmpty()) {
        MessageBoxes::Show(m_context.Window(),
                           QStringLiteral("There was an error while saving the output file.\n\n") + failure,
                           MessageBoxes::OkOnly, MessageBoxes::Critical);
        return false;
    }
    m_fileName = dialog.FileName;
    m_proposeFileName = false;
    m_context.Document().MarkSaved();
    return true;
}

void SlideSetCommands::Load()
{
    // A load never merges into slides already there.
    if (m_context.Set().SlideCount() > 0)
        return;

    CCommonDialogs dialog;
    dialog.Init(m_context.Window());
    dialog.Title = QStringLiteral("Load Slide Set");
    dialog.InitialDir = m_context.InitialDir();
    dialog.Filter = kFilter;
    dialog.FilterIndex = 1;
    if (!dialog.ShowOpen())
        return;
    m_context.InitialDir() = FolderOf(dialog.FileName);
    if (loadFile(dialog.FileName, dialog.FileTitle))
        m_fileName = dialog.FileName;
}

bool SlideSetCommands::LoadRecovered(const QString &path, const QString &sourceFile)
{
    if (m_context.Set().SlideCount() > 0 || !loadFile(path, QFileInfo(path).fileName()))
        return false;
    if (!sourceFile.isEmpty())
        m_context.InitialDir() = FolderOf(sourceFile);
    m_fileName = sourceFile;
    m_proposeFileName = !sourceFile.isEmpty();
    return true;
}

bool SlideSetCommands::loadFile(const QString &path, const QString &fileTitle)
{
    // The file is read into a set of its own: whatever goes wrong, the window's
    // set, fields and optics stay exactly as they were.
    LoadResult result = ReadSlideSetFile(path, m_context.ListSeparator(), m_context.Format(), m_context.Set().Texts);
    switch (result.Status) {
    case LoadStatus::WrongBanner:
        MessageBoxes::Show(m_context.Window(), result.Error.isEmpty() ? WrongBannerMessage(fileTitle) : result.Error);
        return false;
    case LoadStatus::Failed:
        MessageBoxes::Show(m_context.Window(),
                           QStringLiteral("There was an error opening this file:\n\n\t") + result.Error
                               + QStringLiteral("\n\nThis was most likely caused by modifying this\n")
                               + QStringLiteral("CSV file in another program (such as Excel)."));
        m_context.FocusNewSlide();
        return false;
    case LoadStatus::Ok:
        break;
    }
    if (!result.Loaded)
        return false;

    LoadedSlideSet &loaded = *result.Loaded;
    m_context.Document().Replace(std::move(loaded.Set), loaded.LargestSizeFound);
    m_context.ShowLoadedSlideSet();
    // Loaded as far as the file goes, but the operator should check what was
    // passed over against the microscope notes before relying on it: every
    // remark in one message, a paragraph each.
    if (!loaded.Warnings.isEmpty()) {
        QStringList paragraphs;
        for (QString warning : std::as_const(loaded.Warnings)) {
            warning[0] = warning[0].toUpper();
            paragraphs << warning + QLatin1Char('.');
        }
        MessageBoxes::Show(m_context.Window(), paragraphs.join(QStringLiteral("\n\n")), MessageBoxes::OkOnly,
                           MessageBoxes::Exclamation);
    }
    return true;
}

bool SlideSetCommands::ConfirmClose()
{
    return confirmUnsaved(QStringLiteral("Do you want to save the slide set before closing?"));
}

bool SlideSetCommands::ConfirmOpen(const QString &path)
{
    return confirmUnsaved(
        QStringLiteral("Do you want to save the slide set before loading '%1'?").arg(QFileInfo(path).fileName()));
}

bool SlideSetCommands::Open(const QString &path)
{
    const QString fileTitle = QFileInfo(path).fileName();
    m_context.InitialDir() = FolderOf(QFileInfo(path).absoluteFilePath());
    if (!loadFile(path, fileTitle))
        return false;
    m_fileName = QFileInfo(path).absoluteFilePath();
    m_proposeFileName = false;
    return true;
}

void SlideSetCommands::ForgetFile()
{
    m_fileName.clear();
    m_proposeFileName = false;
}

bool SlideSetCommands::confirmUnsaved(const QString &question)
{
    commitPendingEdits();
    // Nothing to lose: no slides, or nothing changed since the last save or load.
    if (m_context.Set().SlideCount() == 0 || !m_context.Document().IsModified())
        return true;
    switch (MessageBoxes::Show(m_context.Window(), question, MessageBoxes::YesNoCancel, MessageBoxes::Question)) {
    case MessageBoxes::Yes:
        return Save();
    case MessageBoxes::No:
        return true;
    default:
        return false;
    }
}
