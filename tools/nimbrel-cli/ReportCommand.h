#pragma once

#include "CliSupport.h"

// nimbrel-cli report FILE [--page N] [--list-separator C] [--decimal-separator C]
//                   -o OUT.pdf|OUT.png
//
// The printed report of a slide set file: every page, or the one --page names,
// as a US Letter PDF; with --page, OUT.png gives that page as an image at
// 100 dpi. Drawn by the same steps as the printer's pages, no display needed.

QString ReportUsage();

// The whole command on the arguments after "report"; needs a QGuiApplication
// (fonts), see DrawingCommandMain.
int RunReportCommand(const QStringList &words);

// The entry in the command table, for the usage text; refuses to run under a
// Core-only application.
int RunReport(const QStringList &args, CliContext &context);
