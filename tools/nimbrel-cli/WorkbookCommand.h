#pragma once

#include "CliSupport.h"

// nimbrel-cli workbook FILE [--list-separator C] [--decimal-separator C]
//                     [--limits DV05MIN,DV05MAX,DV09MAX] -o OUT.xlsx
//
// The slide set as an Office Open XML workbook, written in full under a
// temporary name and put in place only when complete.

QString WorkbookUsage();

// The whole command on the arguments after "workbook".
int RunWorkbookCommand(const QStringList &words);

// The entry in the command table, for the usage text; main() hands the command
// to RunWorkbookCommand before this could be reached.
int RunWorkbook(const QStringList &args, CliContext &context);
