#include "PlotCommand.h"

#include "DrawingSurface.h"
#include "GraphBoxes.h"
#include "Histogram.h"
#include "LineGraphs.h"
#include "RangeChart.h"

#include "files/OutputTarget.h"
#include "files/SlideSetFile.h"
#include "model/NumberText.h"
#include "model/Units.h"
#include "model/ViewState.h"
#include "platform/LocaleInfo.h"

#include <QGuiApplication>
#include <QBuffer>
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
        "and \";\" with \",\". The in-cloud quantities (modes 1, 2, 4, 5, the medians)\n"
        "follow the weighting:\n") + CloudOptionsUsage();
}

namespace {

struct PlotOptions
{
    QCommandLineOption Graph{QStringLiteral("graph"), QString(), QStringLiteral("G")};
    QCommandLineOption Slide{QStringLiteral("slide"), QString(), QStringLiteral("N")};
    QCommandLineOption Mode{QStringLiteral("mode"), QString(), QStringLiteral("1-5")};
    QCommandLineOption Composite{QStringLiteral("composite")};
    QCommandLineOption Size{QStringLiteral("size"), QString(), QStringLiteral("WxH")};
    QCommandLineOption ListSeparator{{QStringLiteral("list-separator"), QStringLiteral("separator")}, QString(),
                                     QStringLiteral("C")};
    QCommandLineOption Decimal{{QStringLiteral("decimal-separator"), QStringLiteral("decimal")}, QString(),
                               QStringLiteral("C")};
    QCommandLineOption Output{{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("OUT.png")};
    QCommandLineOption Help{QStringLiteral("help")};

    CloudOptions Cloud;

    QList<QCommandLineOption> All() const
    {
        return QList<QCommandLineOption>{Graph, Slide, Mode, Composite, Size, ListSeparator, Decimal, Output, Help}
               + Cloud.All();
    }
};

// --graph, --slide, --mode, --composite and --size: which graph, of what, how large.
QString readWhatToDraw(const CliOptions &options, const PlotOptions &o, PlotRequest &request)
{
    for (const auto &given : options.Values(o.Graph)) {
        const auto graph = graphNamed(given.second);
        if (!graph)
            return QStringLiteral("unknown graph \"%1\"").arg(given.second);
        request.Graph = *graph;
    }
    for (const auto &given : options.Values(o.Slide)) {
        bool ok = false;
        const int n = given.second.toInt(&ok);
        if (!ok || n < 1 || n > kMaxCounter)
            return QStringLiteral("--slide wants a slide number from 1, not \"%1\"").arg(given.second);
        request.Slide = static_cast<int16_t>(n);
    }
    for (const auto &given : options.Values(o.Mode)) {
        bool ok = false;
        const int n = given.second.toInt(&ok);
        if (!ok || n < 1 || n > 5)
            return QStringLiteral("--mode wants 1 to 5 (VF, CVF, drops/cm%1, NF, CNF), not \"%2\"")
                .arg(kSquared)
                .arg(given.second);
        request.Mode = n;
    }
    request.Composite = options.IsSet(o.Composite);
    for (const auto &given : options.Values(o.Size)) {
        request.Size = parseSize(given.second);
        if (!request.Size)
            return QStringLiteral("--size wants WIDTHxHEIGHT in pixels (1 to %1), not \"%2\"")
                .arg(kLargestSide)
                .arg(given.second);
    }
    return QString();
}

} // namespace

QString ReadDrawingSeparators(const CliOptions &options, const QCommandLineOption &list,
                              const QCommandLineOption &decimal, QString &listSeparator, QChar &decimalSeparator)
{
    for (const auto &[spelled, value] : options.Values(list)) {
        if (value.size() != 1)
            return QStringLiteral("%1 wants one character, not \"%2\"").arg(spelled, value);
        listSeparator = value;
    }
    for (const auto &[spelled, value] : options.Values(decimal)) {
        if (value != QLatin1String(".") && value != QLatin1String(","))
            return QStringLiteral("%1 wants \".\" or \",\", not \"%2\"").arg(spelled, value);
        decimalSeparator = value[0];
    }
    return QString();
}

std::optional<PlotRequest> ParsePlotArguments(const QStringList &words, QString &error)
{
    const PlotOptions o;
    CliOptions options(o.All());
    PlotRequest request;
    if (options.ParseAskingHelp(words, o.Help, error)) {
        request.Help = true;
        return request;
    }
    if (error.isEmpty())
        error = readWhatToDraw(options, o, request);
    if (error.isEmpty())
        error = ReadDrawingSeparators(options, o.ListSeparator, o.Decimal, request.ListSeparator, request.Decimal);
    if (error.isEmpty())
        error = ReadCloudOptions(options, o.Cloud, request.Cloud);
    if (!error.isEmpty())
        return std::nullopt;
    request.Output = options.Last(o.Output);
    error = ReadOneSlideSetFile(options.Positional(), request.File);
    if (error.isEmpty() && !options.IsSet(o.Graph))
        error = QStringLiteral("--graph is missing");
    if (error.isEmpty() && request.Output.isEmpty())
        error = QStringLiteral("-o OUT.png is missing");
    if (!error.isEmpty())
        return std::nullopt;
    return request;
}

QStringList DrawingLoadWarnings(const QString &file, const LoadedSlideSet &loaded)
{
    QStringList lines;
    for (const QString &warning : loaded.Warnings)
        lines << file + QStringLiteral(": warning: ") + warning;
    return lines;
}

QString RenderPlot(const PlotRequest &request, QImage &image, QStringList &notes)
{
    QString error;
    std::optional<DrawingLoad> loaded = LoadForDrawing(request.File, request.ListSeparator, request.Decimal, error);
    if (!loaded)
        return error;
    notes << DrawingLoadWarnings(request.File, loaded->Loaded);
    ApplyCloudWeighting(loaded->Loaded, request.Cloud);

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
            notes << (request.Composite ? QStringLiteral("the line holds no drops: the box is empty")
                                     : QStringLiteral("slide %1 holds no drops: the box is empty").arg(set.CurrentSlide));
        break;
    }
    case PlotGraph::LineData:
        DrawLineData(surface, set, view, LineDataOptions{true});
        break;
    case PlotGraph::MortalityDensity: {
        const float densityMax = ComputeLineRange(set).DensityAxisMax;
        if (densityMax <= 0)
            notes << QStringLiteral("no slide holds drops: there is no density scale");
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
    if (request->Help) {
        QTextStream(stdout) << PlotUsage();
        return ExitOk;
    }
    // A device node or a pipe in place of OUT.png would be replaced by the image.
    if (const QString target = CheckOutputTarget(request->Output); !target.isEmpty()) {
        err << "nimbrel-cli plot: cannot write " << request->Output << ": " << target << "\n";
        return ExitFileError;
    }
    RegisterFontSubstitutes();
    QImage image;
    QStringList notes;
    error = RenderPlot(*request, image, notes);
    if (!error.isEmpty()) {
        err << "nimbrel-cli plot: " << error << "\n";
        return 1;
    }
    for (const QString &note : std::as_const(notes))
        err << "nimbrel-cli plot: " << note << "\n";
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (const QString failure = WriteWholeFile(request->Output, png); !failure.isEmpty()) {
        err << "nimbrel-cli plot: cannot write " << request->Output << ": " << failure << "\n";
        return ExitFileError;
    }
    return ExitOk;
}

int RunPlot(const QStringList &args, CliContext &context)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr) {
        CliError(context, QStringLiteral("plot must be started through DrawingCommandMain (it needs fonts)"));
        return ExitUsage;
    }
    return RunPlotCommand(args);
}

int DrawingCommandMain(int argc, char *argv[], int (*run)(const QStringList &words))
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList words = QCoreApplication::arguments();
    const int command = CommandWordIndex(words);
    if (command > 0)
        words.removeAt(command);
    words.removeFirst(); // the program
    return run(words);
}
