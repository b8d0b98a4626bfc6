#include "SlideSetFile.h"
#include "Windows1252.h"

#include <QFileInfo>
#include <QSaveFile>

#if defined(Q_OS_WIN)
#include <io.h>
#elif defined(Q_OS_UNIX)
#include <unistd.h>
#endif
#include <cerrno>

namespace {

// Print-position indents of the mortality lines and of the no-drops line.
const QString kMortalityIndent(4, QLatin1Char(' '));
const QString kNoDropsIndent(9, QLatin1Char(' '));

class FileWriter
{
public:
    FileWriter(const SlideSet &set, const QString &sep, const NumberFormat &format)
        : m_set(set), m_sep(sep), m_fmt(format), m_metric(set.Params.Metric)
    {
    }

    QByteArray Write(CompositeResults &composite);

private:
    void line(const QString &text = QString())
    {
        if (m_utf8)
            m_out.append(text.toUtf8());
        else
            m_fits &= AppendWindows1252(m_out, text);
        m_out.append("\r\n", 2);
    }
    void fields(std::initializer_list<QString> parts) { line(join(parts)); }
    QString join(std::initializer_list<QString> parts) const
    {
        QString text;
        bool first = true;
        for (const QString &p : parts) {
            if (!first)
                text += m_sep;
            text += p;
            first = false;
        }
        return text;
    }
    // A text typed in one line and one field: a line break in it would shift
    // every later line of the file, a separator would cut it on reading; each is
    // written as a blank.
    QString oneField(QString text) const
    {
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(m_sep, QLatin1String(" "), Qt::CaseInsensitive);
        return text;
    }
    QString gen(float v) const { return m_fmt.General(v); }
    QString num(double v, const char *pattern) const { return m_fmt.Format(v, pattern); }
    QString unit(UnitKind kind) const { return UnitText(kind, m_metric); }

    void parameterBlock();
    void slideBlock(int16_t index);
    void compositeBlock(const CompositeResults &c);

    const SlideSet &m_set;
    const QString m_sep;
    const NumberFormat &m_fmt;
    const bool m_metric;
    bool m_utf8 = false; // a text that Windows-1252 cannot hold turns the whole file into UTF-8
    bool m_fits = true;
    QByteArray m_out;
    std::vector<QString> m_classText, m_diameterText;
};

QByteArray FileWriter::Write(CompositeResults &composite)
{
    // The class and diameter columns repeat in every drop table: format them once.
    for (int k = 0; k <= m_set.Params.MaxSizeEPD; ++k) {
        m_classText.push_back(gen(float(k)));
        m_diameterText.push_back(num(ShownClassDiameter(m_set.Params, k), "0.0"));
    }
    CalcComposite(m_set, composite);
    for (;;) {
        parameterBlock();
        for (int i = 1; i <= m_set.SlideCount(); ++i)
            slideBlock(int16_t(i));
        compositeBlock(composite);
        if (m_fits || m_utf8)
            return std::move(m_out);
        // Greek, Cyrillic, CJK or an emoji in a name: rather than put "?" in its
        // place, the file goes out again as UTF-8, marked so the reader (and a
        // spreadsheet) knows. Files in Western texts stay byte for byte as ever.
        m_utf8 = true;
        m_out = QByteArray("\xEF\xBB\xBF");
    }
}

void FileWriter::parameterBlock()
{
    const AnalysisParameters &p = m_set.Params;
    const auto &texts = ParameterTextFields();
    auto textLine = [&](int index) {
        const ParameterTextField &f = texts[index];
        const QString text = oneField(m_set.Texts.*f.Member);
        const QString value = !f.Pair ? (index == 3 ? FileDateText(text) : text)
                                      : JoinValueUnit(text, unit(f.Unit), m_sep);
        fields({QLatin1String(f.Label), QString(), value});
    };

    line(DoubleRule());
    line(QLatin1Char(' ') + QLatin1String(kBanner));
    line(DoubleRule());
    line();
    line(Rule());
    line(QStringLiteral("Analysis Parameters"));
    line(Rule());
    line();
    fields({QStringLiteral("Units:"), QString(), m_metric ? QStringLiteral("Metric") : QStringLiteral("U.S.")});
    for (int i = 0; i <= 4; ++i)
        textLine(i);
    line();
    fields({QStringLiteral("Scan Length:"), QString(), ScanLengthText(p, m_fmt), unit(UnitKind::ScanLength)});
    fields({QStringLiteral("# EPD on reticule:"), QString(), gen(p.MaxSizeEPD)});
    fields({QStringLiteral("µm/EPD:"), QString(), gen(p.MicronsPerEPD), QStringLiteral("µm")});
    fields({QStringLiteral("Spread Factor:"), QString(), gen(p.SpreadFactor)});
    line();
    for (int i = 5; i <= 9; ++i)
        textLine(i);
    line();
    textLine(10);
    textLine(11);
    line();
    line(Rule());
    line(QStringLiteral("Mortality Control Data"));
    line(Rule());
    line();
    const MortalityCounts &control = m_set.ControlData;
    fields({QStringLiteral("Number in cage:"), QString(), JoinValueUnit(gen(control.NumInCage), QString(), m_sep)});
    fields({QStringLiteral("12 hr mortality:"), QString(), JoinValueUnit(gen(control.Dead12h), QString(), m_sep)});
    fields({QStringLiteral("24 hr mortality:"), QString(), JoinValueUnit(gen(control.Dead24h), QString(), m_sep)});
    line();
    line(Rule());
    line(QStringLiteral("Slide Data"));
    line(Rule());
    line();
    fields({QStringLiteral("Number of Slides:"), QString(), gen(m_set.SlideCount())});
    line();
    line();
}

void FileWriter::slideBlock(int16_t index)
{
    const Slide &s = m_set.Slides[index];
    const AnalysisParameters &p = m_set.Params;
    const bool control = m_set.ControlData.NumInCage > 0;

    fields({QStringLiteral("Slide ") + gen(index) + QStringLiteral(" Position:"), QString(), gen(s.Position),
            unit(UnitKind::Length)});
    fields({QStringLiteral("Number of Sweeps:"), QString(), gen(s.Sweeps)});
    fields({QStringLiteral("Cloud VMD:"), QString(), num(s.VMD, "0.0"), QStringLiteral("µm")});
    fields({QStringLiteral("Cloud NMD:"), QString(), num(s.NMD, "0.0"), QStringLiteral("µm")});
    fields({QStringLiteral("Slide Drop Density:"), QString(), num(s.DropDensity, "0.00"), QStringLiteral("drops/cm²")});
    line(QStringLiteral("Mortality Info:"));
    fields({kMortalityIndent + QStringLiteral("Number in cage:"), QString(), gen(s.Cage.NumInCage)});
    // The corrected figures appear only where they were computed: a slide without
    // cage data, or a control cage in which every insect died, has none to show.
    auto cageLine = [&](const char *label, int16_t count, const std::optional<float> &result) {
        QString text = join({kMortalityIndent + QLatin1String(label), QString(), gen(count)});
        if (control && result)
            text += m_sep + QStringLiteral(" = ") + num(*result, "0.00%");
        line(text);
    };
    cageLine("1 hr knockdown:", s.Cage.Down1h, s.Knockdown1h);
    cageLine("12 hr mortality:", s.Cage.Dead12h, s.Mortality12h);
    cageLine("24 hr mortality:", s.Cage.Dead24h, s.Mortality24h);
    fields({QStringLiteral("Drop Info:"), QString(), QStringLiteral(" |----------"), QStringLiteral("     on"),
            QStringLiteral("   Slide"), QStringLiteral("   ----------|"), QStringLiteral(" |----------"),
            QStringLiteral("      in"), QStringLiteral("   Cloud"), QStringLiteral("   ----------|")});
    fields({QStringLiteral("#EPD"), QStringLiteral("Microns"), QStringLiteral("Count"), QStringLiteral("Drop Density"),
            QStringLiteral("NF"), QStringLiteral("CNF"), QStringLiteral("VF"), QStringLiteral("CVF"),
            QStringLiteral("NF"), QStringLiteral("CNF")});
    if (s.TotalDrops == 0) {
        line(kNoDropsIndent + QStringLiteral("No Drops Entered"));
    } else {
        double running = 0;
        for (int k = 1; k <= p.MaxSizeEPD; ++k) {
            const int16_t count = s.Counts[k];
            if (count <= 0)
                continue;
            const double share = double(count) / double(s.TotalDrops);
            running += share;
            // No scanned area gives no density, as the slide's own figure.
            const double density = s.Area != 0.0f ? double(count) / double(s.Area) : 0.0;
            fields({m_classText[k], m_diameterText[k], gen(count), num(density, "0.000"),
                    num(share, "0.000"), num(running, "0.000"), num(s.VF[k], "0.000"), num(s.CVF[k], "0.000"),
                    num(s.NF[k], "0.000"), num(s.CNF[k], "0.000")});
        }
    }
    line();
    line(QStringLiteral("Range Statistics"));
    fields({QString(), QString(), QStringLiteral("Count"), QString(), QString(), QStringLiteral("% Size"), QString(),
            QStringLiteral("% Mass"), QString(), QStringLiteral("% Size")});
    RangeStatistics ranges;
    ComputeRangeStats(ranges, m_set, index);
    for (int r = 0; r < kRangeCount; ++r)
        fields({RangeLabel(r), QString(), num(ranges.Count[r], "0"), QString(), QString(),
                num(100.0 * ranges.SizeOnSlide[r], "0.0"), QString(), num(100.0 * ranges.MassInCloud[r], "0.0"),
                QString(), num(100.0 * ranges.SizeInCloud[r], "0.0")});
    line();
    line();
}

void FileWriter::compositeBlock(const CompositeResults &c)
{
    const AnalysisParameters &p = m_set.Params;
    line(Rule());
    line(QStringLiteral("Composite Data"));
    line(Rule());
    line();
    fields({QStringLiteral("Cloud VMD:"), QString(), num(c.CompVMD, "0.0"), QStringLiteral("µm")});
    fields({QStringLiteral("Cloud NMD:"), QString(), num(c.CompNMD, "0.0"), QStringLiteral("µm")});
    fields({QStringLiteral("Ave. Slide DD:"), QString(), num(c.AveDropDensity, "0.0"), QStringLiteral("drops/cm²")});
    fields({QString(), QString(), QStringLiteral("|-on Slide-|"), QStringLiteral(" |----------"),
            QStringLiteral("      in"), QStringLiteral("   Cloud"), QStringLiteral("   ----------|")});
    fields({QStringLiteral("#EPD"), QStringLiteral("Microns"), QStringLiteral("Drop Density"), QStringLiteral("VF"),
            QStringLiteral("CVF"), QStringLiteral("NF"), QStringLiteral("CNF")});
    for (int k = 1; k <= p.MaxSizeEPD && k < int(c.CompDensity.size()); ++k) {
        if (!(c.CompDensity[k] > 0))
            continue;
        fields({m_classText[k], m_diameterText[k], num(c.CompDensity[k], "0.0"),
                num(c.CompVF[k], "0.000"), num(c.CompCVF[k], "0.000"), num(c.CompNF[k], "0.000"),
                num(c.CompCNF[k], "0.000")});
    }
    line();
    line(QStringLiteral("Range Statistics"));
    fields({QString(), QString(), QStringLiteral("% Size"), QString(), QStringLiteral("% Mass"), QString(),
            QStringLiteral("% Size")});
    RangeStatistics ranges;
    ComputeCompositeRangeStats(ranges, m_set, c);
    for (int r = 0; r < kRangeCount; ++r)
        fields({RangeLabel(r), QString(), num(100.0 * ranges.SizeOnSlide[r], "0.0"), QString(),
                num(100.0 * ranges.MassInCloud[r], "0.0"), QString(), num(100.0 * ranges.SizeInCloud[r], "0.0")});
    line();
    line(QStringLiteral("Line Statistics"));
    fields({QString(), QStringLiteral("Position (") + unit(UnitKind::Length) + QLatin1Char(')'),
            QStringLiteral("Cloud VMD"), QStringLiteral("Cloud NMD"), QStringLiteral("Slide DD"),
            QStringLiteral("1hr KD"), QStringLiteral("12hr Mort."), QStringLiteral("24hr Mort.")});
    for (int i = 1; i <= m_set.SlideCount(); ++i) {
        const Slide &s = m_set.Slides[i];
        QString text = join({QString(), gen(s.Position), num(s.VMD, "0.0"), num(s.NMD, "0.0"),
                             num(s.DropDensity, "0.0")});
        // Knockdown is computed exactly when the slide has a cage and the set a
        // control; a mortality the control cannot correct stays an empty field so
        // the columns keep their places.
        if (s.Cage.NumInCage > 0 && s.Knockdown1h) {
            auto percent = [&](const std::optional<float> &v) { return v ? num(100.0 * *v, "0.0") : QString(); };
            text += m_sep + percent(s.Knockdown1h) + m_sep + percent(s.Mortality12h) + m_sep
                    + percent(s.Mortality24h);
        }
        line(text);
    }
}

} // namespace

QByteArray SlideSetFileBytes(const SlideSet &set, const QString &listSeparator, const NumberFormat &format,
                             CompositeResults *composite)
{
    CompositeResults local;
    return FileWriter(set, listSeparator, format).Write(composite ? *composite : local);
}

QString WriteSlideSetFile(const QString &path, const SlideSet &set, const QString &listSeparator,
                          const NumberFormat &format, CompositeResults *composite)
{
    const QString separators = CheckSeparators(listSeparator, format.decimalSeparator());
    if (!separators.isEmpty())
        return separators;
    const QByteArray bytes = SlideSetFileBytes(set, listSeparator, format, composite);
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("%1 is a folder").arg(path);
    // A device, a pipe or a socket would be replaced by a plain file of that
    // name (or, written through, swallow the set): neither is a save.
    if (target.exists() && !target.isFile())
        return QStringLiteral("%1 is not a plain file (a device, a pipe or a socket)").arg(path);
    QSaveFile file(path);
    // Unbuffered, so a full disk fails the write itself: a small file would
    // otherwise sit in the buffer until commit(), whose flush error Qt does not
    // report, and the cut temporary file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A short write says nothing of why; the next one fails with the reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    // Some file systems report a full disk only when the data reach it.
    int syncFailed = 0;
#if defined(Q_OS_WIN)
    syncFailed = _commit(file.handle()) != 0 ? errno : 0;
#elif defined(Q_OS_UNIX)
    syncFailed = fsync(file.handle()) != 0 && errno != EINVAL ? errno : 0; // EINVAL: cannot sync, nothing lost
#endif
    if (syncFailed != 0) {
        file.cancelWriting();
        return qt_error_string(syncFailed);
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}
