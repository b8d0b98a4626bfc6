#include "Workbook.h"

#include "files/FileLiterals.h"
#include "files/OutputTarget.h"
#include "model/DoseResponse.h"
#include "model/SprayQuality.h"
#include "model/Units.h"
#include "model/Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

std::function<QString(const QString &)> &beforeRenameHook()
{
    static std::function<QString(const QString &)> hook;
    return hook;
}

// A stored float as the number its shortest text names (35.05, not
// 35.04999923706055): the cell shows what the window shows, and equals the
// figure of `nimbrel-cli json`.
double CellNumber(float value)
{
    char text[NumberText::kCapacity];
    const char *end = NumberText::Shortest(text, value);
    double number = 0;
    std::from_chars(text, end, number);
    return number;
}

// The library prints numbers with the C library, which follows LC_NUMERIC; a
// comma locale would write "3,5" into the XML and spoil the file.
class NumericLocaleC
{
public:
    NumericLocaleC()
    {
        if (const char *current = std::setlocale(LC_NUMERIC, nullptr))
            m_saved = current;
        std::setlocale(LC_NUMERIC, "C");
    }
    ~NumericLocaleC()
    {
        if (!m_saved.empty())
            std::setlocale(LC_NUMERIC, m_saved.c_str());
    }
    NumericLocaleC(const NumericLocaleC &) = delete;
    NumericLocaleC &operator=(const NumericLocaleC &) = delete;

private:
    std::string m_saved;
};

struct Formats
{
    lxw_format *Header = nullptr;
    lxw_format *General = nullptr;
    lxw_format *Whole = nullptr;    // counts
    lxw_format *OneDecimal = nullptr;
    lxw_format *TwoDecimals = nullptr;
    lxw_format *ThreeDecimals = nullptr;
    lxw_format *Percent = nullptr;  // a share 0 … 1 shown as "12.34%"
    lxw_format *Flexible = nullptr; // "0.0##"
};

// One sheet filled row by row; the first error the library reports is kept.
class Sheet
{
public:
    Sheet(lxw_workbook *book, const char *name, const Formats &formats, lxw_error &error)
        : m_sheet(workbook_add_worksheet(book, name))
        , m_formats(formats)
        , m_error(error)
    {
        if (!m_sheet && m_error == LXW_NO_ERROR)
            m_error = LXW_ERROR_MEMORY_MALLOC_FAILED;
    }

    void Header(const QStringList &captions)
    {
        for (const QString &caption : captions)
            Text(caption, m_formats.Header);
        if (m_sheet)
            worksheet_freeze_panes(m_sheet, 1, 0);
        NextRow();
    }
    void Text(const QString &text, lxw_format *format = nullptr)
    {
        if (m_sheet && !text.isEmpty())
            check(worksheet_write_string(m_sheet, m_row, m_column, text.toUtf8().constData(), format));
        widen(text.size());
        ++m_column;
    }
    void Number(double value, lxw_format *format)
    {
        if (m_sheet && std::isfinite(value))
            check(worksheet_write_number(m_sheet, m_row, m_column, value, format));
        ++m_column;
    }
    void Number(float value, lxw_format *format) { Number(CellNumber(value), format); }
    void Number(int value, lxw_format *format) { Number(double(value), format); }
    void Number(const std::optional<float> &value, lxw_format *format)
    {
        if (value)
            Number(*value, format);
        else
            Empty();
    }
    void Empty() { ++m_column; }
    void NextRow()
    {
        ++m_row;
        m_column = 0;
    }
    // Columns wide enough for their longest text (headers, labels).
    void FitColumns()
    {
        if (!m_sheet)
            return;
        for (size_t c = 0; c < m_widths.size(); ++c)
            worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), std::max(9.0, m_widths[c] * 1.1 + 1), nullptr);
    }

private:
    void check(lxw_error result)
    {
        if (result != LXW_NO_ERROR && m_error == LXW_NO_ERROR)
            m_error = result;
    }
    void widen(qsizetype characters)
    {
        if (m_widths.size() <= size_t(m_column))
            m_widths.resize(size_t(m_column) + 1, 0);
        m_widths[size_t(m_column)] = std::max(m_widths[size_t(m_column)], double(std::min<qsizetype>(characters, 60)));
    }

    lxw_worksheet *m_sheet;
    const Formats &m_formats;
    lxw_error &m_error;
    lxw_row_t m_row = 0;
    lxw_col_t m_column = 0;
    std::vector<double> m_widths;
};

QString withUnit(const QString &name, const QString &unit)
{
    return unit.isEmpty() ? name : name + QStringLiteral(" (") + unit + QLatin1Char(')');
}

QString perSquareCentimetre()
{
    return QStringLiteral("drops/cm") + kSquared;
}

// --- the sheets ------------------------------------------------------------------

// Label, value, unit: every descriptive and optical parameter, the control cage,
// where the set came from and what wrote the workbook.
void writeTrial(Sheet &sheet, const Formats &f, const WorkbookInput &input)
{
    const SlideSet &set = *input.Set;
    const AnalysisParameters &p = set.Params;
    sheet.Header({QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Unit")});
    const auto row = [&sheet](const QString &label) { sheet.Text(label); };

    row(QStringLiteral("Units"));
    sheet.Text(p.Metric ? QStringLiteral("Metric") : QStringLiteral("U.S."));
    sheet.NextRow();
    for (const ParameterTextField &field : ParameterTextFields()) {
        QString label = QString::fromUtf8(field.Label);
        if (label.endsWith(QLatin1Char(':')))
            label.chop(1);
        row(label);
        const QString &text = set.Texts.*field.Member;
        // A measured value typed as a plain number becomes a number; anything
        // else (a date, a name, "10-12") stays the text that was typed.
        double value = 0;
        if (field.Unit != UnitKind::None && input.Format.ToDouble(text, value) == ParseStatus::Ok)
            sheet.Number(value, f.General);
        else
            sheet.Text(text);
        sheet.Text(UnitText(field.Unit, p.Metric));
        sheet.NextRow();
    }

    row(QStringLiteral("Scan Length"));
    if (p.Metric)
        sheet.Number(p.ScanLength, f.Flexible);
    else
        sheet.Number(CentimetresToInches(double(p.ScanLength)), f.Flexible);
    sheet.Text(UnitText(UnitKind::ScanLength, p.Metric));
    sheet.NextRow();
    row(QStringLiteral("# EPD on reticule"));
    sheet.Number(int(p.MaxSizeEPD), f.Whole);
    sheet.NextRow();
    row(Microns() + QStringLiteral("/EPD"));
    sheet.Number(p.MicronsPerEPD, f.General);
    sheet.Text(Microns());
    sheet.NextRow();
    row(QStringLiteral("Spread Factor"));
    sheet.Number(p.SpreadFactor, f.General);
    sheet.NextRow();

    // The control cage's counts exist only when it held insects.
    const MortalityCounts &control = set.ControlData;
    const bool hasControl = control.NumInCage > 0;
    const std::pair<const char *, int16_t> controlRows[] = {{"Control: number in cage", control.NumInCage},
                                                            {"Control: 12 hr dead", control.Dead12h},
                                                            {"Control: 24 hr dead", control.Dead24h}};
    for (const auto &[label, value] : controlRows) {
        row(QString::fromLatin1(label));
        if (hasControl)
            sheet.Number(int(value), f.Whole);
        else
            sheet.Empty();
        sheet.Text(QStringLiteral("insects"));
        sheet.NextRow();
    }

    row(QStringLiteral("Number of Slides"));
    sheet.Number(int(set.SlideCount()), f.Whole);
    sheet.NextRow();
    row(QStringLiteral("Slide set file"));
    sheet.Text(input.SourceFile.isEmpty() ? QString() : QFileInfo(input.SourceFile).fileName());
    sheet.NextRow();
    row(QStringLiteral("Written by"));
    sheet.Text(QStringLiteral("Nimbrel ") + QLatin1String(NimbrelVersion));
    sheet.NextRow();
    sheet.FitColumns();
}

// One row per slide, in position order, with every figure of the slide.
void writeSlides(Sheet &sheet, const Formats &f, const SlideSet &set, const SprayQualityTable &quality)
{
    const QString length = UnitText(UnitKind::Length, set.Params.Metric);
    const QString um = Microns();
    const QString pct = QStringLiteral("%");
    sheet.Header({withUnit(QStringLiteral("Position"), length), QStringLiteral("Sweeps"),
                  withUnit(QStringLiteral("Area"), QStringLiteral("cm") + kSquared), QStringLiteral("Drops"),
                  withUnit(QStringLiteral("Drop density"), perSquareCentimetre()), withUnit(QStringLiteral("VMD"), um),
                  withUnit(QStringLiteral("NMD"), um), withUnit(QStringLiteral("Dv0.1"), um),
                  withUnit(QStringLiteral("Dv0.9"), um), QStringLiteral("Relative span"), QStringLiteral("VMD/NMD"),
                  withUnit(QStringLiteral("Volume below 32 ") + um, pct), withUnit(QStringLiteral("VMD 95% low"), um),
                  withUnit(QStringLiteral("VMD 95% high"), um), withUnit(QStringLiteral("NMD 95% low"), um),
                  withUnit(QStringLiteral("NMD 95% high"), um), withUnit(QStringLiteral("Dv0.9 95% low"), um),
                  withUnit(QStringLiteral("Dv0.9 95% high"), um), QStringLiteral("Number in cage"),
                  QStringLiteral("1 hr knocked down"), QStringLiteral("12 hr dead"), QStringLiteral("24 hr dead"),
                  withUnit(QStringLiteral("1 hr knockdown"), pct), withUnit(QStringLiteral("12 hr mortality"), pct),
                  withUnit(QStringLiteral("12 hr mortality 95% low"), pct),
                  withUnit(QStringLiteral("12 hr mortality 95% high"), pct),
                  withUnit(QStringLiteral("24 hr mortality"), pct),
                  withUnit(QStringLiteral("24 hr mortality 95% low"), pct),
                  withUnit(QStringLiteral("24 hr mortality 95% high"), pct)});
    const auto interval = [&sheet](const std::optional<Interval> &i, lxw_format *format) {
        sheet.Number(i ? std::optional<float>(i->Low) : std::nullopt, format);
        sheet.Number(i ? std::optional<float>(i->High) : std::nullopt, format);
    };
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[size_t(i)];
        const SprayQualityRow &q = quality.Slides[size_t(i - 1)];
        sheet.Number(s.Position, f.General);
        sheet.Number(s.Sweeps, f.General);
        sheet.Number(s.Area, f.ThreeDecimals);
        sheet.Number(int(s.TotalDrops), f.Whole);
        sheet.Number(s.DropDensity, f.TwoDecimals);
        // Without drops a slide has no sizes at all.
        const auto size = [&](float value) { return s.TotalDrops > 0 ? std::optional<float>(value) : std::nullopt; };
        sheet.Number(size(s.VMD), f.OneDecimal);
        sheet.Number(size(s.NMD), f.OneDecimal);
        sheet.Number(size(q.Sizes.Dv01), f.OneDecimal);
        sheet.Number(size(q.Sizes.Dv09), f.OneDecimal);
        sheet.Number(size(q.Sizes.RelativeSpan), f.TwoDecimals);
        sheet.Number(size(q.Sizes.VmdNmdRatio), f.TwoDecimals);
        sheet.Number(size(q.Sizes.VolumeBelow32um), f.Percent);
        interval(q.Intervals.VMD, f.OneDecimal);
        interval(q.Intervals.NMD, f.OneDecimal);
        interval(q.Intervals.Dv09, f.OneDecimal);
        // No cage, no counts: an empty cell, not a cage of none dead.
        const MortalityCounts &cage = s.Cage;
        for (int16_t count : {cage.NumInCage, cage.Down1h, cage.Dead12h, cage.Dead24h}) {
            if (cage.NumInCage > 0)
                sheet.Number(int(count), f.Whole);
            else
                sheet.Empty();
        }
        sheet.Number(s.Knockdown1h, f.Percent);
        sheet.Number(s.Mortality12h, f.Percent);
        interval(q.Mortality12hInterval, f.Percent);
        sheet.Number(s.Mortality24h, f.Percent);
        interval(q.Mortality24hInterval, f.Percent);
        sheet.NextRow();
    }
    sheet.FitColumns();
}

// Slides as rows, size classes as columns: the counts themselves.
void writeCounts(Sheet &sheet, const Formats &f, const SlideSet &set, const NumberFormat &format)
{
    const AnalysisParameters &p = set.Params;
    QStringList header{withUnit(QStringLiteral("Position"), UnitText(UnitKind::Length, p.Metric))};
    for (int k = 1; k <= p.MaxSizeEPD; ++k)
        header << QStringLiteral("%1 EPD (%2 %3)").arg(k).arg(format.Format(ShownClassDiameter(p, k), "0.0"), Microns());
    sheet.Header(header);
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[size_t(i)];
        sheet.Number(s.Position, f.General);
        for (int k = 1; k <= p.MaxSizeEPD; ++k)
            sheet.Number(size_t(k) < s.Counts.size() ? int(s.Counts[size_t(k)]) : 0, f.Whole);
        sheet.NextRow();
    }
    sheet.FitColumns();
}

// The line pooled per size class, then its figures and the label verdict as
// label, value, unit rows.
void writeComposite(Sheet &sheet, const Formats &f, const WorkbookInput &input, const SprayQualityTable &quality)
{
    const SlideSet &set = *input.Set;
    const AnalysisParameters &p = set.Params;
    const QString um = Microns();
    sheet.Header({QStringLiteral("EPD"), withUnit(QStringLiteral("Diameter"), um),
                  withUnit(QStringLiteral("Drop density"), perSquareCentimetre()), QStringLiteral("VF"),
                  QStringLiteral("CVF"), QStringLiteral("NF"), QStringLiteral("CNF")});
    const bool any = set.SlideCount() > 0;
    CompositeResults c;
    if (any)
        CalcComposite(set, c);
    for (int k = 1; any && k <= p.MaxSizeEPD; ++k) {
        const size_t K = size_t(k);
        sheet.Number(k, f.Whole);
        sheet.Number(ClassDiameter(p, k), f.OneDecimal);
        sheet.Number(c.CompDensity[K], f.OneDecimal);
        sheet.Number(c.CompVF[K], f.ThreeDecimals);
        sheet.Number(c.CompCVF[K], f.ThreeDecimals);
        sheet.Number(c.CompNF[K], f.ThreeDecimals);
        sheet.Number(c.CompCNF[K], f.ThreeDecimals);
        sheet.NextRow();
    }
    sheet.NextRow();

    const SprayQualityRow &q = quality.Composite;
    const bool drops = any && q.Drops > 0;
    const auto figure = [&](const char *label, std::optional<float> value, lxw_format *format, const QString &unit) {
        sheet.Text(QString::fromUtf8(label));
        sheet.Number(value, format);
        sheet.Text(unit);
        sheet.NextRow();
    };
    const auto sized = [drops](float v) { return drops ? std::optional<float>(v) : std::nullopt; };
    const auto low = [](const std::optional<Interval> &i) { return i ? std::optional<float>(i->Low) : std::nullopt; };
    const auto high = [](const std::optional<Interval> &i) { return i ? std::optional<float>(i->High) : std::nullopt; };
    sheet.Text(QStringLiteral("Slides"));
    sheet.Number(int(set.SlideCount()), f.Whole);
    sheet.NextRow();
    sheet.Text(QStringLiteral("Drops"));
    sheet.Number(int(q.Drops), f.Whole);
    sheet.NextRow();
    figure("Cloud VMD", sized(c.CompVMD), f.OneDecimal, um);
    figure("Cloud NMD", sized(c.CompNMD), f.OneDecimal, um);
    figure("Average drop density", any ? std::optional<float>(c.AveDropDensity) : std::nullopt, f.TwoDecimals,
           perSquareCentimetre());
    figure("Dv0.1", sized(q.Sizes.Dv01), f.OneDecimal, um);
    figure("Dv0.9", sized(q.Sizes.Dv09), f.OneDecimal, um);
    figure("Relative span", sized(q.Sizes.RelativeSpan), f.TwoDecimals, QString());
    figure("VMD/NMD", sized(q.Sizes.VmdNmdRatio), f.TwoDecimals, QString());
    figure("Volume below 32 \xC2\xB5m", sized(q.Sizes.VolumeBelow32um), f.Percent, QStringLiteral("%"));
    figure("VMD 95% low", low(q.Intervals.VMD), f.OneDecimal, um);
    figure("VMD 95% high", high(q.Intervals.VMD), f.OneDecimal, um);
    figure("NMD 95% low", low(q.Intervals.NMD), f.OneDecimal, um);
    figure("NMD 95% high", high(q.Intervals.NMD), f.OneDecimal, um);
    figure("Dv0.9 95% low", low(q.Intervals.Dv09), f.OneDecimal, um);
    figure("Dv0.9 95% high", high(q.Intervals.Dv09), f.OneDecimal, um);
    figure("Label Dv0.5 from", input.Limits.Dv05From, f.Flexible, um);
    figure("Label Dv0.5 to", input.Limits.Dv05To, f.Flexible, um);
    figure("Label Dv0.9 below", input.Limits.Dv09Below, f.Flexible, um);
    sheet.Text(QStringLiteral("Label verdict"));
    if (!input.Limits.Any())
        sheet.Text(QStringLiteral("no label limits set"));
    else if (quality.Verdict)
        sheet.Text(LabelVerdictText(*quality.Verdict));
    else
        sheet.Text(QStringLiteral("nothing counted to judge"));
    sheet.NextRow();
    sheet.FitColumns();
}

// The dose-response fit for each hour, with the link and deposit asked for: a
// row per hour, and where no fit exists its note in place of the figures.
void writeDoseResponse(Sheet &sheet, const Formats &f, const SlideSet &set, const DoseResponseOptions &options)
{
    const QString unit = DoseDepositUnit(options.Deposit);
    const QString pct = QStringLiteral("%");
    sheet.Header({QStringLiteral("Hour"), QStringLiteral("Link"), QStringLiteral("Cages"), QStringLiteral("Intercept"),
                  QStringLiteral("Slope (per log10 of deposit)"), QStringLiteral("Slope SE"),
                  withUnit(QStringLiteral("Natural mortality"), pct), QStringLiteral("Natural mortality estimated"),
                  withUnit(QStringLiteral("LD50"), unit), withUnit(QStringLiteral("LD50 95% low"), unit),
                  withUnit(QStringLiteral("LD50 95% high"), unit), withUnit(QStringLiteral("LD90"), unit),
                  withUnit(QStringLiteral("LD90 95% low"), unit), withUnit(QStringLiteral("LD90 95% high"), unit),
                  QStringLiteral("Chi-square"), QStringLiteral("Degrees of freedom"),
                  QStringLiteral("Heterogeneity factor"), QStringLiteral("g"), QStringLiteral("Note")});
    const auto number = [&sheet](const std::optional<double> &value, lxw_format *format) {
        if (value)
            sheet.Number(*value, format);
        else
            sheet.Empty();
    };
    for (int hour : {1, 12, 24}) {
        DoseResponseOptions asked = options;
        asked.Hour = hour;
        const DoseResponseFit fit = FitDoseResponse(set, asked);
        sheet.Number(hour, f.Whole);
        sheet.Text(DoseLinkName(fit.Link));
        sheet.Number(fit.Cages, f.Whole);
        number(fit.Intercept, f.General);
        number(fit.Slope, f.General);
        number(fit.SlopeSE, f.General);
        number(fit.NaturalMortality, f.Percent);
        if (fit.Fitted())
            sheet.Text(fit.NaturalMortalityEstimated ? QStringLiteral("yes") : QStringLiteral("no"));
        else
            sheet.Empty();
        const auto limits = [&](const std::optional<double> &ld, const std::optional<DoseLimits> &interval) {
            number(ld, f.General);
            number(interval ? std::optional<double>(interval->Low) : std::nullopt, f.General);
            number(interval ? std::optional<double>(interval->High) : std::nullopt, f.General);
        };
        limits(fit.LD50, fit.LD50Interval);
        limits(fit.LD90, fit.LD90Interval);
        number(fit.ChiSquare, f.General);
        number(fit.DegreesOfFreedom ? std::optional<double>(*fit.DegreesOfFreedom) : std::nullopt, f.Whole);
        number(fit.HeterogeneityFactor, f.General);
        number(fit.g, f.General);
        sheet.Text(fit.Note.isEmpty() ? fit.LimitsNote : fit.Note);
        sheet.NextRow();
    }
    sheet.FitColumns();
}

Formats makeFormats(lxw_workbook *book)
{
    const auto numbered = [book](const char *pattern) {
        lxw_format *format = workbook_add_format(book);
        format_set_num_format(format, pattern);
        return format;
    };
    Formats f;
    f.Header = workbook_add_format(book);
    format_set_bold(f.Header);
    f.General = numbered("General");
    f.Whole = numbered("0");
    f.OneDecimal = numbered("0.0");
    f.TwoDecimals = numbered("0.00");
    f.ThreeDecimals = numbered("0.000");
    f.Percent = numbered("0.00%");
    f.Flexible = numbered("0.0##");
    return f;
}

QString libraryError(lxw_error error, int savedErrno)
{
    QString text = QString::fromUtf8(lxw_strerror(error));
    // The library's words are generic ("error creating output xlsx file"); the
    // system's say why (no space left, no permission).
    if (savedErrno != 0)
        text += QStringLiteral(": ") + qt_error_string(savedErrno);
    return text;
}

// Makes the whole workbook at `path`; empty on success.
QString writeBook(const QString &path, const WorkbookInput &input)
{
    const SlideSet &set = *input.Set;
    const SprayQualityTable quality = ComputeSprayQuality(set, input.Limits);

    const NumericLocaleC numericC;
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new(file.constData());
    if (!book)
        return QStringLiteral("out of memory");
    lxw_error error = LXW_NO_ERROR;
    const Formats formats = makeFormats(book);
    const QStringList names = WorkbookSheetNames();
    {
        Sheet trial(book, names[0].toUtf8().constData(), formats, error);
        writeTrial(trial, formats, input);
        Sheet slides(book, names[1].toUtf8().constData(), formats, error);
        writeSlides(slides, formats, set, quality);
        Sheet counts(book, names[2].toUtf8().constData(), formats, error);
        writeCounts(counts, formats, set, input.Format);
        Sheet composite(book, names[3].toUtf8().constData(), formats, error);
        writeComposite(composite, formats, input, quality);
        Sheet dose(book, names[4].toUtf8().constData(), formats, error);
        writeDoseResponse(dose, formats, set, input.Dose);
    }
    errno = 0;
    const lxw_error closed = workbook_close(book); // frees the workbook whatever happens
    const int closeErrno = errno;
    if (error != LXW_NO_ERROR)
        return libraryError(error, 0);
    if (closed != LXW_NO_ERROR)
        return libraryError(closed, closeErrno);
    return QString();
}

// Some file systems report a full disk only when the data reach it.
QString syncToDisk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return file.errorString();
#if defined(Q_OS_UNIX)
    if (fsync(file.handle()) != 0 && errno != EINVAL)
        return qt_error_string(errno);
#endif
    return QString();
}

} // namespace

QStringList WorkbookSheetNames()
{
    return {QStringLiteral("Trial"), QStringLiteral("Slides"), QStringLiteral("Counts"), QStringLiteral("Composite"),
            QStringLiteral("Dose Response")};
}

void SetWorkbookBeforeRenameHook(std::function<QString(const QString &)> hook)
{
    beforeRenameHook() = std::move(hook);
}

QString WriteWorkbook(const QString &path, const WorkbookInput &input)
{
    if (!input.Set)
        return QStringLiteral("no slide set");
    // A link to a file is written through and stays a link.
    if (const QString refused = CheckOutputTarget(path); !refused.isEmpty())
        return refused;
    const QFileInfo target(FollowOutputLinks(path));
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folder.path()));

    // In the target's own folder, so the rename below stays on one file system.
    QTemporaryFile temporary(folder.filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!temporary.open())
        return temporary.errorString();
    const QString temporaryPath = temporary.fileName();
    temporary.close(); // the library opens the name itself; the object still removes it

    QString error = writeBook(temporaryPath, input);
    if (error.isEmpty())
        error = syncToDisk(temporaryPath);
    if (error.isEmpty() && beforeRenameHook())
        error = beforeRenameHook()(temporaryPath);
    if (!error.isEmpty())
        return error;

    // A workbook replacing an earlier one keeps its permissions; a new one may be
    // read by everyone, as documents usually are (the temporary name was private).
    QFile::setPermissions(temporaryPath, target.exists() ? QFile::permissions(target.absoluteFilePath())
                                                         : QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                               | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    std::error_code renamed;
    std::filesystem::rename(std::filesystem::path(temporaryPath.toStdU16String()),
                            std::filesystem::path(target.absoluteFilePath().toStdU16String()), renamed);
    if (renamed)
        return QString::fromLocal8Bit(renamed.message());
    temporary.setAutoRemove(false); // it is the workbook now
    return QString();
}
