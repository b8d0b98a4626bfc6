#include "Settings.h"

#include "platform/cRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kLimitsSection = QStringLiteral("LabelLimits");

cRegistry registryFor(const SettingsStore &store, const QString &section, const QString &key)
{
    cRegistry r;
    r.ClassKey = cRegistry::kCurrentUser;
    r.SectionKey = QStringLiteral("Software\\Tarvell\\Nimbrel\\") + section;
    r.ValueKey = key;
    r.ValueType = 1;
    r.StoreFile = store.File;
    return r;
}

// The words True and False, as stored; numbers as a boolean would read them too.
bool readBoolean(const QString &text, const NumberFormat &format, bool fallback)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    double number = 0;
    if (format.ToDouble(t, number) == ParseStatus::Ok)
        return number != 0.0;
    return fallback;
}

// A positive float setting; anything else keeps the default, since a zero or
// negative optics value would make every area and diameter meaningless.
float readPositive(const QString &text, const NumberFormat &format, float fallback)
{
    float value = 0;
    if (format.ToSingle(text, value) != ParseStatus::Ok || !(value > 0.0f))
        return fallback;
    return value;
}

} // namespace

QString GetSetting(const SettingsStore &store, const QString &section, const QString &key, const QString &fallback)
{
    cRegistry r = registryFor(store, section, key);
    r.Default = fallback;
    return r.Value().toString();
}

bool SaveSetting(const SettingsStore &store, const QString &section, const QString &key, const QString &value)
{
    if (value.isEmpty())
        return true;
    return registryFor(store, section, key).SetValue(value);
}

QString DefaultInitialDir()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QDir::homePath() + QLatin1Char('/');
#endif
}

AppSettings LoadAppSettings(const SettingsStore &store, const NumberFormat &format)
{
    const AnalysisParameters defaults;
    AppSettings s;

    int16_t maxSize = 0;
    const QString maxText = GetSetting(store, kSection, QStringLiteral("MaxSizeEPD"), format.General(defaults.MaxSizeEPD));
    s.Params.MaxSizeEPD = format.ToInt16(maxText, maxSize) == ParseStatus::Ok && maxSize >= 1 ? maxSize : defaults.MaxSizeEPD;

    s.Params.Metric = readBoolean(GetSetting(store, kSection, QStringLiteral("Metric"), QStringLiteral("True")), format,
                                  defaults.Metric);
    s.Params.MicronsPerEPD = readPositive(
        GetSetting(store, kSection, QStringLiteral("MicronsPerEPD"), format.General(defaults.MicronsPerEPD)), format,
        defaults.MicronsPerEPD);
    s.Params.ScanLength = readPositive(
        GetSetting(store, kSection, QStringLiteral("ScanLength"), format.General(defaults.ScanLength)), format,
        defaults.ScanLength);
    s.Params.SpreadFactor = readPositive(
        GetSetting(store, kSection, QStringLiteral("SpreadFactor"), format.General(defaults.SpreadFactor)), format,
        defaults.SpreadFactor);
    s.InitialDir = GetSetting(store, kSection, QStringLiteral("InitialDir"), DefaultInitialDir());
    return s;
}

namespace {

// Why a settings file refused the values: the store itself only says that it did.
QString settingsFileProblem(const SettingsStore &store)
{
    const QString path = !store.File.isEmpty()
                             ? store.File
                             : QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarvell"),
                                         QStringLiteral("Nimbrel")).fileName();
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path));
    if (!info.isAbsolute()) // the registry: no file to ask
        return QStringLiteral("the settings store refused them");
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
    return QDir::toNativeSeparators(path) + QStringLiteral(": the settings store refused them");
}

} // namespace

bool SaveAppSettings(const SettingsStore &store, const AppSettings &settings, const NumberFormat &format,
                     QString *why)
{
    const AnalysisParameters &p = settings.Params;
    bool ok = true;
    ok &= SaveSetting(store, kSection, QStringLiteral("SpreadFactor"), format.General(p.SpreadFactor));
    ok &= SaveSetting(store, kSection, QStringLiteral("ScanLength"), format.General(p.ScanLength));
    ok &= SaveSetting(store, kSection, QStringLiteral("MaxSizeEPD"), format.General(p.MaxSizeEPD));
    ok &= SaveSetting(store, kSection, QStringLiteral("MicronsPerEPD"), format.General(p.MicronsPerEPD));
    ok &= SaveSetting(store, kSection, QStringLiteral("InitialDir"), settings.InitialDir);
    ok &= SaveSetting(store, kSection, QStringLiteral("Metric"), p.Metric ? QStringLiteral("True") : QStringLiteral("False"));
    if (!ok && why)
        *why = settingsFileProblem(store);
    return ok;
}

namespace {

std::optional<float> readLimit(const SettingsStore &store, const QString &key, const NumberFormat &format)
{
    float value = 0;
    if (format.ToSingle(GetSetting(store, kLimitsSection, key, QString()), value) != ParseStatus::Ok || !(value > 0.0f))
        return std::nullopt;
    return value;
}

bool writeLimit(const SettingsStore &store, const QString &key, const std::optional<float> &value,
                const NumberFormat &format)
{
    return registryFor(store, kLimitsSection, key).SetValue(value ? format.General(*value) : QString());
}

} // namespace

LabelLimits LoadLabelLimits(const SettingsStore &store, const NumberFormat &format)
{
    LabelLimits limits;
    limits.Dv05From = readLimit(store, QStringLiteral("Dv05From"), format);
    limits.Dv05To = readLimit(store, QStringLiteral("Dv05To"), format);
    limits.Dv09Below = readLimit(store, QStringLiteral("Dv09Below"), format);
    return limits;
}

bool SaveLabelLimits(const SettingsStore &store, const LabelLimits &limits, const NumberFormat &format)
{
    bool ok = true;
    ok &= writeLimit(store, QStringLiteral("Dv05From"), limits.Dv05From, format);
    ok &= writeLimit(store, QStringLiteral("Dv05To"), limits.Dv05To, format);
    ok &= writeLimit(store, QStringLiteral("Dv09Below"), limits.Dv09Below, format);
    return ok;
}

// --- dose response choices -------------------------------------------------------

namespace {
const QString kDoseSection = QStringLiteral("DoseResponse");
} // namespace

DoseResponseOptions LoadDoseResponseOptions(const SettingsStore &store)
{
    DoseResponseOptions options;
    const QString hour = GetSetting(store, kDoseSection, QStringLiteral("Hour"), QString());
    if (hour == QLatin1String("1") || hour == QLatin1String("12") || hour == QLatin1String("24"))
        options.Hour = hour.toInt();
    ParseDoseLink(GetSetting(store, kDoseSection, QStringLiteral("Link"), QString()), options.Link);
    ParseDoseDeposit(GetSetting(store, kDoseSection, QStringLiteral("Deposit"), QString()), options.Deposit);
    return options;
}

bool SaveDoseResponseOptions(const SettingsStore &store, const DoseResponseOptions &options)
{
    bool ok = SaveSetting(store, kDoseSection, QStringLiteral("Hour"), QString::number(options.Hour));
    ok &= SaveSetting(store, kDoseSection, QStringLiteral("Link"), DoseLinkName(options.Link));
    ok &= SaveSetting(store, kDoseSection, QStringLiteral("Deposit"), DoseDepositName(options.Deposit));
    return ok;
}
