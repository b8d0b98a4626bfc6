#include "PlotCommand.h"

#include "DrawingSurface.h"
#include "GraphBoxes.h"
#include "Histogram.h"
#include "LineGraphs.h"
#include "RangeChart.h"

#include "files/SlideSetFile.h"
#include "model/NumberText.h"
#include "model/ViewState.h"
#include "platform/LocaleInfo.h"

#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>

#include <utility>
#include <vector>

namespace {

constexpr int kLargestSide = 10000;

std::optional<PlotGraph> graphNamed(const QString &name)
{
    if (name == QLatin1String("histogram"))
        return PlotGraph::Histogram;
    if (name == QLatin1String("line-data"))
        return PlotGraph::LineData;
    if (name == QLatin1String("mortality-density"))
        return PlotGraph::MortalityDensity;
    if (name == QLatin1String("range-stats"))
        return PlotGraph::RangeStats;
    return std::nullopt;
}

std::optional<QSize> parseSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1 || w > kLargestSide || h > kLargestSide)
        return std::nullopt;
    return QSize(w, h);
}

// The separators to try: the ones given, or the locale's and then the two
// usual conventions, so a file from a colleague abroad still opens.
std::vector<std::pair<QString, QChar>> separatorsToTry(const QString &listSeparator, QChar decimalGiven)
{
    std::vector<std::pair<QString, QChar>> tries;
    auto add = [&](const QString &list, QChar decimal) {
        for (const auto &t : tries)
            if (t.first == list && t.second == decimal)
                return;
        tries.emplace_back(list, decimal);
    };
    if (!listSeparator.isEmpty()) {
        QChar decimal = decimalGiven;
        if (decimal.isNull())
            decimal = listSeparator == QLatin1String(",") ? QLatin1Char('.') : QLatin1Char(',');
        add(listSeparator, decimal);
        return tries;
    }
    const LocaleSeparators locale = ReadLocaleSeparators();
    if (decimalGiven.isNull()) {
        add(locale.List, locale.Decimal);
        add(QStringLiteral(","), QLatin1Char('.'));
        add(QStringLiteral(";"), QLatin1Char(','));
        add(QStringLiteral(";"), QLatin1Char('.'));
    } else {
        add(decimalGiven == QLatin1Char(',') ? QStringLiteral(";") : QStringLiteral(","), decimalGiven);
    }
    return tries;
}

} // namespace

std::optional<DrawingLoad> LoadForDrawing(const QString &file, const QString &listSeparator, QChar decimal,
                                          QString &error)
{
    QString firstError;
    for (const auto &[list, dec] : separatorsToTry(listSeparator, decimal)) {
        LoadResult result = ReadSlideSetFile(file, list, NumberFormat(dec));
        if (result.Ok())
            return DrawingLoad{std::move(*result.Loaded), dec};
        if (firstError.isEmpty())
            firstError = result.Error;
        if (result.Status == LoadStatus::WrongBanner)
            break; // not a slide set file under any separator
    }
    if (firstError.isEmpty())
        error = QStringLiteral("%1: could not be read").arg(file);
    else // a file that is not a slide set is named in its message already
        error = firstError.startsWith(QLatin1Char('\'')) ? firstError : file + QStringLiteral(": ") + firstError;
    return std::nullopt;
}

QString PlotUsage()
{
    return QStringLiteral(
        "usage: nimbrel-cli plot FILE --graph histogram|line-data|mortality-density|range-stats\n"
        "                        [--slide N] [--mode 1-5] [--composite] [--size WxH]\n"
        "                        [--list-separator C] [--decimal-separator C] -o OUT.png\n"
        "Draws one graph of a slide set file into a PNG image, at the size of the\n"
        "window's box (histogram 285x70, the others 720x480) unless --size is given.\n"
        "Without separators the user's locale is tried first, then \",\" with \".\"\n"
        "and \";\" with \",\".\n");
}

std::optional<PlotRequest> ParsePlotArguments(const QStringList &words, QString &error)
{
    PlotRequest request;
    bool graphGiven = false;
    // "--name=value" reads as "--name value", as the other commands take it.
    QStringList split;
    for (const QString &w : words) {
        const qsizetype eq = w.indexOf(QLatin1Char('='));
        if (w.startsWith(QLatin1String("--")) && eq > 2)
            split << w.left(eq) << w.mid(eq + 1);
        else
            split << w;
    }
    for (int i = 0; i < split.size(); ++i) {
        const QString &word = split[i];
        auto value = [&](QString &out) {
            if (i + 1 >= split.size()) {
                error = QStringLiteral("%1 needs a value").arg(word);
                return false;
            }
            out = split[++i];
            return true;
        };
        QString v;
        if (word == QLatin1String("--graph")) {
            if (!value(v))
                return std::nullopt;
            const auto graph = graphNamed(v);
            if (!graph) {
                error = QStringLiteral("unknown graph \"%1\"").arg(v);
                return std::nullopt;
            }
            request.Graph = *graph;
            graphGiven = true;
        } else if (word == QLatin1String("--slide")) {
            if (!value(v))
                return std::nullopt;
            bool ok = false;
            const int n = v.toInt(&ok);
            if (!ok || n < 1 || n > kMaxCounter) {
                error = QStringLiteral("--slide wants a slide number from 1, not \"%1\"").arg(v);
                return std::nullopt;
            }
            request.Slide = static_cast<int16_t>(n);
        } else if (word == QLatin1String("--mode")) {
            if (!value(v))
                return std::nullopt;
            bool ok = false;
            const int n = v.toInt(&ok);
            if (!ok || n < 1 || n > 5) {
                error = QStringLiteral("--mode wants 1 to 5 (VF, CVF, drops/cm², NF, CNF), not \"%1\"").arg(v);
                return std::nullopt;
            }
            request.Mode = n;
        } else if (word == QLatin1String("--composite")) {
            request.Composite = true;
        } else if (word == QLatin1String("--size")) {
            if (!value(v))
                return std::nullopt;
            request.Size = parseSize(v);
            if (!request.Size) {
                error = QStringLiteral("--size wants WIDTHxHEIGHT in pixels (1 to %1), not \"%2\"")
                            .arg(kLargestSide)
                            .arg(v);
                return std::nullopt;
            }
        } else if (word == QLatin1String("--list-separator") || word == QLatin1String("--separator")) {
            if (!value(v))
                return std::nullopt;
            if (v.size() != 1) {
                error = QStringLiteral("%1 wants one character, not \"%2\"").arg(word, v);
                return std::nullopt;
            }
            request.ListSeparator = v;
        } else if (word == QLatin1String("--decimal-separator") || word == QLatin1String("--decimal")) {
            if (!value(v))
                return std::nullopt;
            if (v != QLatin1String(".") && v != QLatin1String(",")) {
                error = QStringLiteral("%1 wants \".\" or \",\", not \"%2\"").arg(word, v);
                return std::nullopt;
            }
            request.Decimal = v[0];
        } else if (word == QLatin1String("-o") || word == QLatin1String("--output")) {
            if (!value(request.Output))
                return std::nullopt;
        } else if (word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            error = QStringLiteral("unknown option %1").arg(word);
            return std::nullopt;
        } else if (request.File.isEmpty()) {
            request.File = word;
        } else {
            error = QStringLiteral("one slide set file only (\"%1\" is a second)").arg(word);
            return std::nullopt;
        }
    }
    if (request.File.isEmpty())
        error = QStringLiteral("no slide set file given");
    else if (!graphGiven)
        error = QStringLiteral("--graph is missing");
    else if (request.Output.isEmpty())
        error = QStringLiteral("-o OUT.png is missing");
    if (!error.isEmpty())
        return std::nullopt;
    return request;
}

QString RenderPlot(const PlotRequest &request, QImage &image, QString &note)
{
    QString error;
    std::optional<DrawingLoad> loaded = LoadForDrawing(request.File, request.ListSeparator, request.Decimal, error);
    if (!loaded)
        return error;
    if (!loaded->Loaded.Warning.isEmpty())
        note = request.File + QStringLiteral(": warning: ") + loaded->Loaded.Warning;

    SlideSet &set = loaded->Loaded.Set;
    if (set.SlideCount() < 1)
        return QStringLiteral("%1 holds no slides: nothing to plot").arg(request.File);
    if (request.Slide > set.SlideCount())
        return QStringLiteral("--slide %1: the set has %2 slide(s)").arg(request.Slide).arg(set.SlideCount());
    if (request.Slide > 0)
        set.CurrentSlide = request.Slide;

    ViewState view;
    view.LargestSizeFound = loaded->Loaded.LargestSizeFound;
    view.GraphMode = request.Mode;
    view.CompositeChecked = request.Composite;
    CalcComposite(set, view.Composite);
    view.CurrentVMD = request.Composite ? view.Composite.CompVMD : set.Current().VMD;
    view.CurrentNMD = request.Composite ? view.Composite.CompNMD : set.Current().NMD;
    view.PlotScaleTop = kPlotScaleTopLarge;
    view.PlotScaleHeight = kPlotScaleHeightLarge;

    const bool histogram = request.Graph == PlotGraph::Histogram;
    const QSize size = request.Size.value_or(histogram ? kResultPicSize : kPicture1LargeSize);
    image = QImage(size, QImage::Format_RGB32);
    // Screen resolution, so fonts come out at the size the window shows them.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);

    DrawingSurface surface(&image);
    switch (request.Graph) {
    case PlotGraph::Histogram: {
        const HistogramResult result = DrawResult(surface, set, view);
        if (!result.Drawn)
            note = request.Composite ? QStringLiteral("the line holds no drops: the box is empty")
                                     : QStringLiteral("slide %1 holds no drops: the box is empty").arg(set.CurrentSlide);
        break;
    }
    case PlotGraph::LineData:
        DrawLineData(surface, set, view, LineDataOptions{true});
        break;
    case PlotGraph::MortalityDensity: {
        const float densityMax = ComputeLineRange(set).DensityAxisMax;
        if (densityMax <= 0)
            note = QStringLiteral("no slide holds drops: there is no density scale");
        DrawMortalityVsDensity(surface, set, view, densityMax);
        break;
    }
    case PlotGraph::RangeStats:
        DrawRangeChart(surface, set, view);
        break;
    }
    surface.End();
    return QString();
}

int RunPlotCommand(const QStringList &words)
{
    QTextStream err(stderr);
    QString error;
    const std::optional<PlotRequest> request = ParsePlotArguments(words, error);
    if (!request) {
        err << "nimbrel-cli plot: " << error << "\n" << PlotUsage();
        return 2;
    }
    RegisterFontSubstitutes();
    QImage image;
    QString note;
    error = RenderPlot(*request, image, note);
    if (!error.isEmpty()) {
        err << "nimbrel-cli plot: " << error << "\n";
        return 1;
    }
    if (!note.isEmpty())
        err << "nimbrel-cli plot: " << note << "\n";
    QSaveFile out(request->Output);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        err << "nimbrel-cli plot: cannot write " << request->Output << ": " << out.errorString() << "\n";
        return 1;
    }
    return 0;
}

int RunPlot(const QStringList &args, CliContext &context)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr) {
        CliError(context, QStringLiteral("plot must be started through DrawingCommandMain (it needs fonts)"));
        return ExitUsage;
    }
    return RunPlotCommand(args);
}

int CommandWordIndex(const QStringList &args)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--list-separator") || a == QLatin1String("--decimal-separator")) {
            ++i;
            continue;
        }
        if (a.startsWith(QLatin1String("--")))
            continue;
        return i;
    }
    return -1;
}

QString CommandWord(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const int i = CommandWordIndex(args);
    return i > 0 ? args[i] : QString();
}

int DrawingCommandMain(int argc, char *argv[], QString (*usage)(), int (*run)(const QStringList &words))
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList words = QCoreApplication::arguments();
    const int command = CommandWordIndex(words);
    if (command > 0)
        words.removeAt(command);
    words.removeFirst(); // the program
    if (words.contains(QLatin1String("--help"))) {
        QTextStream(stdout) << usage();
        return ExitOk;
    }
    return run(words);
}
