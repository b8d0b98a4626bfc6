#pragma once

#include "model/SlideSet.h"
#include "model/Units.h" // RangeLabel: the size-range labels of the file

#include <QString>
#include <QStringList>

#include <array>

// The fixed texts of the slide set file and the small procedures the writer and
// the reader share.

inline constexpr int kDoubleRuleLength = 23;
inline constexpr int kRuleLength = 45;
QString DoubleRule(); // 23 "="
QString Rule();       // 45 "-"
inline constexpr char kBanner[] = "Tarvell Nimbrel";
inline constexpr char kNoValue[] = "--------"; // an empty entry field

enum class UnitKind { None, Length, ScanLength, Temperature, WindSpeed, SprayRate, Degree, Percent };

// The unit text of the file for the unit system in force ("m"/"ft", "°C"/"°F", …).
QString UnitText(UnitKind kind, bool metric);

// One descriptive parameter as the file carries it: its label, where it lives in
// ParameterTexts and the unit written after it. Date and Time are plain fields,
// the others value-with-unit pairs.
struct ParameterTextField
{
    const char *Label;
    QString ParameterTexts::*Member;
    UnitKind Unit;
    bool Pair;
};
inline constexpr int kParameterTextCount = 12;
const std::array<ParameterTextField, kParameterTextCount> &ParameterTextFields();

// text, separator, unit; or "--------" when the text is empty.
QString JoinValueUnit(const QString &text, const QString &unit, const QString &listSeparator);

// Splits at every occurrence of the separator (plain, case-insensitive, no
// quoting). When the first piece is empty, fields[0] is empty and only the
// non-empty pieces follow; the count is then the number of those pieces.
struct ListFields
{
    QStringList Fields;
    int Count = 0;
};
ListFields SplitListLine(const QString &line, const QString &listSeparator);

// The Date line: a text that reads as a date is written in the medium form
// "dd-MMM-yyyy" (English month abbreviations, so the file reads alike on every
// machine, and a four-digit year so no century is lost); any other text goes out
// exactly as typed. Only unambiguous forms count as dates: ISO "yyyy-MM-dd" and
// the medium form itself ("5-Mar-2024", "05 mar 2024"). Day-month orders such as
// "3/4/2024" differ between locales and are left alone rather than guessed at.
QString FileDateText(const QString &typed);

// Empty when the two separators can frame a file; otherwise why not.
QString CheckSeparators(const QString &listSeparator, QChar decimalSeparator);
