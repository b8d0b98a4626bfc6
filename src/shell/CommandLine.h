#pragma once

#include <QString>
#include <QStringList>

// What `nimbrel [FILE]` was asked to do. Qt's own options (-platform, -style, …)
// are taken by the application before the rest is read.
struct CommandLine
{
    enum Action { Run, Help, Version, Mistake };
    Action What = Run;
    QString File;         // the slide set file to load once the window is up; empty for none
    bool TestFeed = false;
    QString Error;        // for Mistake: what is wrong, for a person
};

// Reads the words after the program's name. --help and --version win over any
// mistake elsewhere on the line, so they answer even beside a Qt option that is
// not yet taken out; "--" ends the options.
CommandLine ParseCommandLine(const QStringList &words);

// "Usage: nimbrel [FILE]" and what the options do.
QString CommandLineHelp();
// "Nimbrel 0.1"
QString VersionText();
