#pragma once

#include <QString>
#include <QVariant>

// A thin object over the per-user settings store: on Windows the registry key
// HKEY_CURRENT_USER\Software\Tarvell\Nimbrel, elsewhere Qt's settings file in the
// user's profile. One object is made for each read or write and then dropped.
// Only text values are needed by the program.
class cRegistry
{
public:
    // The root the program uses (HKEY_CURRENT_USER as a signed handle value).
    static constexpr qint32 kCurrentUser = qint32(0x80000001u);

    qint32 ClassKey = kCurrentUser;
    QString SectionKey;      // e.g. "Software\\Tarvell\\Nimbrel\\Settings"
    QString ValueKey;
    qint32 ValueType = 1;    // 1: text
    QVariant Default;
    // A settings file to use instead of the user's store (tests point it at a
    // temporary file); empty for the real store.
    QString StoreFile;

    // Reads the value; the default when the key or the value does not exist.
    QVariant Value() const;
    // Writes a text value, creating the key path. False, with a description in
    // *error, when the store refuses.
    bool SetValue(const QVariant &value, QString *error = nullptr) const;
};
