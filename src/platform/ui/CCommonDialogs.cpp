#include "CCommonDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <deque>
#include <optional>

namespace {

struct SeamState
{
    std::deque<std::optional<QString>> choices; // nullopt: cancel
    QString lastTitle;
    QString lastInitialDir;
    QString lastFileName;
    QString lastFilter;
    int shown = 0;
};

SeamState &seam()
{
    static SeamState state;
    return state;
}

} // namespace

QStringList CCommonDialogs::NameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses of the entry; add them when
        // the description does not already show them.
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        filters << description;
    }
    return filters;
}

QString CCommonDialogs::WithDefaultExtension(const QString &name, const QString &defExt)
{
    if (defExt.isEmpty() || name.isEmpty())
        return name;
    if (!QFileInfo(name).suffix().isEmpty())
        return name;
    QString withExt = name;
    if (!withExt.endsWith(QLatin1Char('.')))
        withExt += QLatin1Char('.');
    return withExt + defExt;
}

void CCommonDialogs::takeChoice(const QString &path)
{
    const QFileInfo info(path);
    FileName = QDir::toNativeSeparators(info.absoluteFilePath());
    FileTitle = info.fileName();
    Path = QDir::toNativeSeparators(info.absolutePath());
}

bool CCommonDialogs::show(bool save)
{
    SeamState &s = seam();
    s.lastTitle = Title;
    s.lastInitialDir = InitialDir;
    s.lastFileName = FileName;
    s.lastFilter = Filter;
    ++s.shown;

    if (!s.choices.empty()) {
        const std::optional<QString> choice = s.choices.front();
        s.choices.pop_front();
        if (!choice)
            return false;
        takeChoice(WithDefaultExtension(*choice, DefExt));
        return true;
    }

    QFileDialog dialog(m_owner, Title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Open: only an existing file; save: a new or existing one, and Qt asks
    // before replacing an existing one.
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (FilterIndex >= 1 && FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[FilterIndex - 1]);
    }
    if (!DefExt.isEmpty())
        dialog.setDefaultSuffix(DefExt);
    if (!InitialDir.isEmpty() && QDir(InitialDir).exists())
        dialog.setDirectory(InitialDir);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    takeChoice(chosen.first());
    const int index = filters.indexOf(dialog.selectedNameFilter());
    if (save && index >= 0)
        FilterIndex = index + 1;
    return true;
}

bool CCommonDialogs::ShowOpen() { return show(false); }
bool CCommonDialogs::ShowSave() { return show(true); }

void CCommonDialogs::QueueFileName(const QString &path) { seam().choices.emplace_back(path); }
void CCommonDialogs::QueueCancel() { seam().choices.emplace_back(std::nullopt); }
void CCommonDialogs::ClearQueue() { seam().choices.clear(); }
int CCommonDialogs::QueuedChoices() { return int(seam().choices.size()); }
QString CCommonDialogs::LastTitle() { return seam().lastTitle; }
QString CCommonDialogs::LastInitialDir() { return seam().lastInitialDir; }
QString CCommonDialogs::LastFileName() { return seam().lastFileName; }
QString CCommonDialogs::LastFilter() { return seam().lastFilter; }
int CCommonDialogs::ShownCount() { return seam().shown; }
void CCommonDialogs::ResetLog()
{
    SeamState &s = seam();
    s.lastTitle.clear();
    s.lastInitialDir.clear();
    s.lastFileName.clear();
    s.lastFilter.clear();
    s.shown = 0;
}
