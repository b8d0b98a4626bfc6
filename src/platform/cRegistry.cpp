#include "cRegistry.h"

#include <QSettings>

#include <memory>

namespace {

const QString kProgramRoot = QStringLiteral("Software\\Tarvell\\Nimbrel\\");

std::unique_ptr<QSettings> openStore(const QString &storeFile)
{
    if (!storeFile.isEmpty())
        return std::make_unique<QSettings>(storeFile, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarvell"),
                                       QStringLiteral("Nimbrel"));
}

// The store is opened at the program's own key, so the section path below it
// becomes a settings group. Paths outside the program's key are not ours.
bool groupOf(const cRegistry &r, QString &group)
{
    if (r.ClassKey != cRegistry::kCurrentUser || !r.SectionKey.startsWith(kProgramRoot, Qt::CaseInsensitive))
        return false;
    group = r.SectionKey.mid(kProgramRoot.size());
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return !group.isEmpty() && !r.ValueKey.isEmpty();
}

} // namespace

QVariant cRegistry::Value() const
{
    QString group;
    if (!groupOf(*this, group))
        return Default;
    const auto store = openStore(StoreFile);
    store->beginGroup(group);
    const QVariant value = store->value(ValueKey);
    if (!value.isValid())
        return Default;
    return value.toString();
}

bool cRegistry::SetValue(const QVariant &value, QString *error) const
{
    const QString text = value.toString();
    auto fail = [&]() {
        if (error)
            *error = QStringLiteral("Failed to set registry value Key: '%1',Section: '%2',Key: '%3' to value: '%4'")
                         .arg(ClassKey)
                         .arg(SectionKey, ValueKey, text);
        return false;
    };
    QString group;
    if (ValueType != 1 && ValueType != 2)
        return fail();
    if (!groupOf(*this, group))
        return fail();
    const auto store = openStore(StoreFile);
    store->beginGroup(group);
    store->setValue(ValueKey, text);
    store->endGroup();
    store->sync();
    // A file the store could not parse reports a format error even after it was
    // rewritten with the value: only a write that failed, or a value that does
    // not read back, is a refusal.
    if (store->status() == QSettings::AccessError)
        return fail();
    const auto check = openStore(StoreFile);
    check->beginGroup(group);
    if (check->value(ValueKey).toString() != text)
        return fail();
    return true;
}
