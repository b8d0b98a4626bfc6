#pragma once

#include "model/DoseResponse.h"
#include "model/LabelLimits.h"
#include "model/NumberText.h"
#include "model/SlideSet.h"

#include <QString>

// Where the settings live: the user's store, or a file that tests choose.
struct SettingsStore
{
    QString File; // empty: the user's own store
};

// One text value under "Software\Tarvell\Nimbrel\" + section; `fallback` when the
// value or the key does not exist.
QString GetSetting(const SettingsStore &store, const QString &section, const QString &key, const QString &fallback);
// Writes one text value; an empty value is not written, so it never overwrites a
// stored one. False when the store refuses.
bool SaveSetting(const SettingsStore &store, const QString &section, const QString &key, const QString &value);

// The six settings that outlast a run.
struct AppSettings
{
    AnalysisParameters Params;
    QString InitialDir;
};

// "C:\" on Windows; the user's home folder elsewhere.
QString DefaultInitialDir();

// Reads the six settings; a value that is missing or does not convert under the
// user's number rules (written under another locale, edited by hand) falls back
// to its default.
AppSettings LoadAppSettings(const SettingsStore &store, const NumberFormat &format);
// Writes them in the order SpreadFactor, ScanLength, MaxSizeEPD, MicronsPerEPD,
// InitialDir, Metric. False when the store refused any of them; `why` then
// receives the platform's description where there is one.
bool SaveAppSettings(const SettingsStore &store, const AppSettings &settings, const NumberFormat &format,
                     QString *why = nullptr);

// The product label's droplet-size limits, kept under their own group
// "LabelLimits" (values "Dv05From", "Dv05To", "Dv09Below"). A limit that is
// missing, empty, not a number or not above 0 is no limit.
LabelLimits LoadLabelLimits(const SettingsStore &store, const NumberFormat &format);
// Writes all three; a limit that is not set is stored empty, so clearing one
// sticks. False when the store refused any of them.
bool SaveLabelLimits(const SettingsStore &store, const LabelLimits &limits, const NumberFormat &format);

// The dose-response choices of the window (hour, link, deposit), kept under
// their own group "DoseResponse" (values "Hour", "Link", "Deposit"); a value
// missing or not understood keeps its default (24 h, probit, drops/cm²).
DoseResponseOptions LoadDoseResponseOptions(const SettingsStore &store);
// False when the store refused any of them.
bool SaveDoseResponseOptions(const SettingsStore &store, const DoseResponseOptions &options);
