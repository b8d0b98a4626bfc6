#pragma once

#include "CliSupport.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// nimbrel-cli plot FILE --graph histogram|line-data|mortality-density|range-stats
//                 [--slide N] [--mode 1-5] [--composite] [--size WxH]
//                 [--list-separator C] [--decimal-separator C] -o OUT.png
//
// Renders one graph of a slide set file to a PNG image with the program's own
// drawing procedures, at the size of the window's box unless --size is given.

enum class PlotGraph { Histogram, LineData, MortalityDensity, RangeStats };

struct PlotRequest
{
    QString File;
    QString Output;
    PlotGraph Graph = PlotGraph::Histogram;
    int16_t Slide = 0;     // 0: the slide the loaded set has on view (its last)
    int Mode = 1;          // histogram quantity: 1 VF, 2 CVF, 3 drops/cm², 4 NF, 5 CNF
    bool Composite = false;
    std::optional<QSize> Size;
    QString ListSeparator; // empty: the locale's, then "," and ";" in turn
    QChar Decimal;         // null: as the separator implies
    bool Help = false;     // --help: print the usage, draw nothing
    CloudWeighting Cloud;  // how the in-cloud quantities weight the counts
};

// Reads the words after "plot". On a mistake returns no request and sets `error`
// to a message naming the word at fault.
std::optional<PlotRequest> ParsePlotArguments(const QStringList &words, QString &error);

// Loads the file and draws the graph into `image`. Returns an empty text on
// success, otherwise what went wrong; `notes` receives the remarks worth passing
// on, a line each (the load's warnings; a slide without drops draws an empty box).
QString RenderPlot(const PlotRequest &request, QImage &image, QStringList &notes);

// The whole command: parse, render, write the PNG (replacing OUT.png only once
// the image is complete). `words` are the arguments after "plot". Needs a
// QGuiApplication (fonts); see DrawingCommandMain for one that makes its own.
int RunPlotCommand(const QStringList &words);

// Selects the offscreen platform unless one is set (no display is needed to
// draw), makes a QGuiApplication and runs `run` on every argument but the
// command word itself (options before it count too).
int DrawingCommandMain(int argc, char *argv[], int (*run)(const QStringList &words));

// --list-separator and --decimal-separator of a drawing command (each as
// `options` spells it) into `listSeparator` and `decimalSeparator`. Returns the
// mistake, empty when the values are good.
QString ReadDrawingSeparators(const CliOptions &options, const QCommandLineOption &list,
                              const QCommandLineOption &decimal, QString &listSeparator, QChar &decimalSeparator);

QString PlotUsage();

// A slide set file read for drawing: with the separators given, or else the
// locale's and then the two usual conventions in turn, so a file from a
// colleague abroad still opens. `Decimal` is the separator that read it.
struct DrawingLoad
{
    LoadedSlideSet Loaded;
    QChar Decimal;
};
std::optional<DrawingLoad> LoadForDrawing(const QString &file, const QString &listSeparator, QChar decimal,
                                          QString &error);
// The load's warnings as a drawing command writes them: "FILE: warning: …".
QStringList DrawingLoadWarnings(const QString &file, const LoadedSlideSet &loaded);

// The entry in the command table, for the usage text. main() hands plot to
// DrawingCommandMain before this could be reached; run under a Core-only application it
// refuses rather than draw without fonts.
int RunPlot(const QStringList &args, CliContext &context);
