#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The slide set file is Western 8-bit text (Windows-1252), whatever the machine's
// own code page, so that "µm", "°C" and "drops/cm²" survive a trip through a
// spreadsheet on any platform.

// A character that Windows-1252 cannot hold becomes "?"; Append says whether
// every character fitted.
QByteArray EncodeWindows1252(const QString &text);
bool AppendWindows1252(QByteArray &out, const QString &text);
bool FitsWindows1252(const QString &text);

// The five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same code, as Windows itself decodes them, and back, so a
// decoded text encodes to the very bytes it came from.
QString DecodeWindows1252(QByteArrayView bytes);
