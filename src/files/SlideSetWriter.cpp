#include "SlideSetFile.h"
#include "OutputTarget.h"
#include "model/Units.h"
#include "Windows1252.h"

#include <QSaveFile>

#if defined(Q_OS_WIN)
#include <io.h>
#elif defined(Q_OS_UNIX)
#include <unistd.h>
#endif
#include <cerrno>
#include <cstring>

namespace {

// Where the encoded bytes go: a fixed buffer handed on whole to a device (or to
// an array) when full, so a file of any size costs the same memory. The first
// failed write stops all later ones and keeps the reason.
class ByteSink
{
public:
    explicit ByteSink(QIODevice *device) : m_device(device) {}
    explicit ByteSink(QByteArray *array) : m_array(array) {}

    // Room for `n` more bytes (n at most the buffer size) at the returned place;
    // Advance says how many were used.
    char *Reserve(qsizetype n)
    {
        if (m_end - m_at < n)
            Flush();
        return m_at;
    }
    void Advance(char *to) { m_at = to; }

    void Append(const char *bytes, qsizetype n)
    {
        while (n > 0) {
            if (m_at == m_end)
                Flush();
            const qsizetype part = std::min(n, qsizetype(m_end - m_at));
            std::memcpy(m_at, bytes, size_t(part));
            m_at += part;
            bytes += part;
            n -= part;
        }
    }

    void Flush()
    {
        const qsizetype size = m_at - m_buffer;
        m_at = m_buffer;
        if (m_array) {
            m_array->append(m_buffer, size);
            return;
        }
        // A short write says nothing of why; the next one fails with the reason.
        for (qsizetype written = 0; written < size && m_error.isEmpty();) {
            const qint64 n = m_device->write(m_buffer + written, size - written);
            if (n <= 0)
                m_error = m_device->errorString();
            else
                written += n;
        }
    }

    const QString &Error() const { return m_error; }

private:
    static constexpr qsizetype kSize = 64 * 1024;
    QIODevice *m_device = nullptr;
    QByteArray *m_array = nullptr;
    QString m_error;
    char m_buffer[kSize];
    char *m_at = m_buffer;
    char *const m_end = m_buffer + kSize;
};

// The pieces of a line: text already in the file's encoding, or a number.
struct GeneralNumber // as the program shows a float: the shortest text, up to seven digits
{
    float Value;
};
struct PatternNumber // a figure in a fixed pattern such as "0.00"
{
    double Value;
    const char *Pattern;
};

class FileWriter
{
public:
    FileWriter(const SlideSet &set, const QString &sep, const NumberFormat &format, ByteSink &out);

    void Write(CompositeResults &composite);

private:
    QByteArray enc(const QString &text) const { return m_utf8 ? text.toUtf8() : EncodeWindows1252(text); }
    // A text typed in one line and one field: a line break in it would shift
    // every later line of the file, a separator would cut it on reading; each is
    // written as a blank.
    QString oneField(QString text) const
    {
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(m_sepText, QLatin1String(" "), Qt::CaseInsensitive);
        return text;
    }

    void put(const char *ascii) { m_out.Append(ascii, qsizetype(std::strlen(ascii))); }
    void put(const QByteArray &bytes) { m_out.Append(bytes.constData(), bytes.size()); }
    void put(GeneralNumber g)
    {
        char *at = m_out.Reserve(kNumberRoom);
        m_out.Advance(decimal(at, NumberText::General(at, g.Value, m_decimal)));
    }
    void put(PatternNumber n)
    {
        char *at = m_out.Reserve(kNumberRoom);
        m_out.Advance(decimal(at, NumberText::Format(at, n.Value, n.Pattern, m_decimal)));
    }
    // A separator of more than one byte (UTF-8 beyond ASCII) goes in after the
    // number is formatted with a point.
    char *decimal(char *begin, char *end) const
    {
        if (m_decimalBytes.isEmpty())
            return end;
        char *point = static_cast<char *>(std::memchr(begin, '.', size_t(end - begin)));
        if (!point)
            return end;
        const qsizetype extra = m_decimalBytes.size() - 1;
        std::memmove(point + 1 + extra, point + 1, size_t(end - point - 1));
        std::memcpy(point, m_decimalBytes.constData(), size_t(m_decimalBytes.size()));
        return end + extra;
    }
    void sep() { put(m_sep); }
    void end() { put("\r\n"); }
    void line() { end(); }
    template <typename Piece>
    void line(const Piece &piece)
    {
        put(piece);
        end();
    }
    // Pieces separated by the list separator, one line.
    template <typename First, typename... Rest>
    void fields(const First &first, const Rest &...rest)
    {
        put(first);
        ((sep(), put(rest)), ...);
        end();
    }

    void parameterBlock();
    void slideBlock(int16_t index);
    void compositeBlock(const CompositeResults &c);

    static constexpr qsizetype kNumberRoom = NumberText::kCapacity + 4;

    const SlideSet &m_set;
    const QString m_sepText;
    const NumberFormat &m_fmt;
    const bool m_metric;
    ByteSink &m_out;
    bool m_utf8 = false; // a text that Windows-1252 cannot hold turns the whole file into UTF-8
    char m_decimal = '.';
    QByteArray m_decimalBytes; // set only when the separator takes more than one byte
    QByteArray m_sep;
    std::array<QByteArray, kParameterTextCount> m_texts; // each as its line ends, after the label
    QByteArray m_micron, m_density, m_length, m_rangeLabel[kRangeCount];
    std::vector<QByteArray> m_classText, m_diameterText;
};

FileWriter::FileWriter(const SlideSet &set, const QString &sep, const NumberFormat &format, ByteSink &out)
    : m_set(set), m_sepText(sep), m_fmt(format), m_metric(set.Params.Metric), m_out(out)
{
    // Texts are few: each is settled before a byte is written, so the encoding is
    // known from the start. Greek, Cyrillic, CJK or an emoji in a name: rather
    // than put "?" in its place, the file goes out as UTF-8, marked so the reader
    // (and a spreadsheet) knows. Files in Western texts stay byte for byte as ever.
    const auto &labels = ParameterTextFields();
    QString texts[kParameterTextCount];
    bool fits = FitsWindows1252(sep) && FitsWindows1252(QString(format.decimalSeparator()));
    for (int i = 0; i < kParameterTextCount; ++i) {
        const ParameterTextField &f = labels[i];
        const QString text = oneField(set.Texts.*f.Member);
        texts[i] = !f.Pair ? (i == 3 ? FileDateText(text) : text)
                           : JoinValueUnit(text, UnitText(f.Unit, m_metric), sep);
        fits &= FitsWindows1252(texts[i]);
    }
    m_utf8 = !fits;
    for (int i = 0; i < kParameterTextCount; ++i)
        m_texts[i] = enc(texts[i]);
    m_sep = enc(sep);
    const QByteArray decimalBytes = enc(QString(format.decimalSeparator()));
    if (decimalBytes.size() == 1)
        m_decimal = decimalBytes[0];
    else
        m_decimalBytes = decimalBytes;
    m_micron = enc(Microns());
    m_density = enc(QStringLiteral("drops/cm²"));
    m_length = enc(UnitText(UnitKind::Length, m_metric));
    for (int r = 0; r < kRangeCount; ++r)
        m_rangeLabel[r] = enc(RangeLabel(r));
}

void FileWriter::Write(CompositeResults &composite)
{
    // The class and diameter columns repeat in every drop table: format them once.
    char buffer[NumberText::kCapacity + 4];
    for (int k = 0; k <= m_set.Params.MaxSizeEPD; ++k) {
        m_classText.emplace_back(buffer, decimal(buffer, NumberText::General(buffer, float(k), m_decimal)) - buffer);
        m_diameterText.emplace_back(
            buffer,
            decimal(buffer, NumberText::Format(buffer, ShownClassDiameter(m_set.Params, k), "0.0", m_decimal)) - buffer);
    }
    CalcComposite(m_set, composite);
    if (m_utf8)
        put("\xEF\xBB\xBF");
    parameterBlock();
    for (int i = 1; i <= m_set.SlideCount(); ++i)
        slideBlock(int16_t(i));
    compositeBlock(composite);
    m_out.Flush();
}

void FileWriter::parameterBlock()
{
    const AnalysisParameters &p = m_set.Params;
    const auto &labels = ParameterTextFields();
    auto textLine = [&](int index) { fields(labels[index].Label, "", m_texts[index]); };
    const QByteArray doubleRule(kDoubleRuleLength, '='), rule(kRuleLength, '-');

    line(doubleRule);
    put(" ");
    line(kBanner);
    line(doubleRule);
    line();
    line(rule);
    line("Analysis Parameters");
    line(rule);
    line();
    fields("Units:", "", m_metric ? "Metric" : "U.S.");
    for (int i = 0; i <= 4; ++i)
        textLine(i);
    line();
    fields("Scan Length:", "", enc(ScanLengthText(p, m_fmt)), enc(UnitText(UnitKind::ScanLength, m_metric)));
    fields("# EPD on reticule:", "", GeneralNumber{float(p.MaxSizeEPD)});
    fields(enc(Microns() + QStringLiteral("/EPD:")), "", GeneralNumber{p.MicronsPerEPD}, m_micron);
    fields("Spread Factor:", "", GeneralNumber{p.SpreadFactor});
    line();
    for (int i = 5; i <= 9; ++i)
        textLine(i);
    line();
    textLine(10);
    textLine(11);
    line();
    line(rule);
    line("Mortality Control Data");
    line(rule);
    line();
    // A count is never empty, so each is followed by the separator and no unit.
    const MortalityCounts &control = m_set.ControlData;
    fields("Number in cage:", "", GeneralNumber{float(control.NumInCage)}, "");
    fields("12 hr mortality:", "", GeneralNumber{float(control.Dead12h)}, "");
    fields("24 hr mortality:", "", GeneralNumber{float(control.Dead24h)}, "");
    line();
    line(rule);
    line("Slide Data");
    line(rule);
    line();
    fields("Number of Slides:", "", GeneralNumber{float(m_set.SlideCount())});
    line();
    line();
}

void FileWriter::slideBlock(int16_t index)
{
    const Slide &s = m_set.Slides[index];
    const AnalysisParameters &p = m_set.Params;
    const bool control = m_set.ControlData.NumInCage > 0;

    put("Slide ");
    put(GeneralNumber{float(index)});
    fields(" Position:", "", GeneralNumber{s.Position}, m_length);
    fields("Number of Sweeps:", "", GeneralNumber{float(s.Sweeps)});
    fields("Cloud VMD:", "", PatternNumber{s.VMD, "0.0"}, m_micron);
    fields("Cloud NMD:", "", PatternNumber{s.NMD, "0.0"}, m_micron);
    fields("Slide Drop Density:", "", PatternNumber{s.DropDensity, "0.00"}, m_density);
    line("Mortality Info:");
    fields("    Number in cage:", "", GeneralNumber{float(s.Cage.NumInCage)});
    // The corrected figures appear only where they were computed: a slide without
    // cage data, or a control cage in which every insect died, has none to show.
    auto cageLine = [&](const char *label, int16_t count, const std::optional<float> &result) {
        put("    ");
        put(label);
        sep();
        sep();
        put(GeneralNumber{float(count)});
        if (control && result) {
            sep();
            put(" = ");
            put(PatternNumber{*result, "0.00%"});
        }
        end();
    };
    cageLine("1 hr knockdown:", s.Cage.Down1h, s.Knockdown1h);
    cageLine("12 hr mortality:", s.Cage.Dead12h, s.Mortality12h);
    cageLine("24 hr mortality:", s.Cage.Dead24h, s.Mortality24h);
    fields("Drop Info:", "", " |----------", "     on", "   Slide", "   ----------|", " |----------", "      in",
           "   Cloud", "   ----------|");
    fields("#EPD", "Microns", "Count", "Drop Density", "NF", "CNF", "VF", "CVF", "NF", "CNF");
    if (s.TotalDrops == 0) {
        line("         No Drops Entered");
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
            fields(m_classText[k], m_diameterText[k], GeneralNumber{float(count)}, PatternNumber{density, "0.000"}, PatternNumber{share, "0.000"},
                   PatternNumber{running, "0.000"}, PatternNumber{s.VF[k], "0.000"}, PatternNumber{s.CVF[k], "0.000"}, PatternNumber{s.NF[k], "0.000"},
                   PatternNumber{s.CNF[k], "0.000"});
        }
    }
    line();
    line("Range Statistics");
    fields("", "", "Count", "", "", "% Size", "", "% Mass", "", "% Size");
    RangeStatistics ranges;
    ComputeRangeStats(ranges, m_set, index);
    for (int r = 0; r < kRangeCount; ++r)
        fields(m_rangeLabel[r], "", PatternNumber{double(ranges.Count[r]), "0"}, "", "", PatternNumber{100.0 * ranges.SizeOnSlide[r], "0.0"}, "",
               PatternNumber{100.0 * ranges.MassInCloud[r], "0.0"}, "", PatternNumber{100.0 * ranges.SizeInCloud[r], "0.0"});
    line();
    line();
}

void FileWriter::compositeBlock(const CompositeResults &c)
{
    const AnalysisParameters &p = m_set.Params;
    const QByteArray rule(kRuleLength, '-');
    line(rule);
    line("Composite Data");
    line(rule);
    line();
    fields("Cloud VMD:", "", PatternNumber{c.CompVMD, "0.0"}, m_micron);
    fields("Cloud NMD:", "", PatternNumber{c.CompNMD, "0.0"}, m_micron);
    fields("Ave. Slide DD:", "", PatternNumber{c.AveDropDensity, "0.0"}, m_density);
    fields("", "", "|-on Slide-|", " |----------", "      in", "   Cloud", "   ----------|");
    fields("#EPD", "Microns", "Drop Density", "VF", "CVF", "NF", "CNF");
    for (int k = 1; k <= p.MaxSizeEPD && k < int(c.CompDensity.size()); ++k) {
        if (!(c.CompDensity[k] > 0))
            continue;
        fields(m_classText[k], m_diameterText[k], PatternNumber{c.CompDensity[k], "0.0"}, PatternNumber{c.CompVF[k], "0.000"},
               PatternNumber{c.CompCVF[k], "0.000"}, PatternNumber{c.CompNF[k], "0.000"}, PatternNumber{c.CompCNF[k], "0.000"});
    }
    line();
    line("Range Statistics");
    fields("", "", "% Size", "", "% Mass", "", "% Size");
    RangeStatistics ranges;
    ComputeCompositeRangeStats(ranges, m_set, c);
    for (int r = 0; r < kRangeCount; ++r)
        fields(m_rangeLabel[r], "", PatternNumber{100.0 * ranges.SizeOnSlide[r], "0.0"}, "",
               PatternNumber{100.0 * ranges.MassInCloud[r], "0.0"}, "", PatternNumber{100.0 * ranges.SizeInCloud[r], "0.0"});
    line();
    line("Line Statistics");
    put("");
    sep();
    put("Position (");
    put(m_length);
    fields(")", "Cloud VMD", "Cloud NMD", "Slide DD", "1hr KD", "12hr Mort.", "24hr Mort.");
    for (int i = 1; i <= m_set.SlideCount(); ++i) {
        const Slide &s = m_set.Slides[i];
        sep();
        put(GeneralNumber{s.Position});
        sep();
        put(PatternNumber{s.VMD, "0.0"});
        sep();
        put(PatternNumber{s.NMD, "0.0"});
        sep();
        put(PatternNumber{s.DropDensity, "0.0"});
        // Knockdown is computed exactly when the slide has a cage and the set a
        // control; a mortality the control cannot correct stays an empty field so
        // the columns keep their places.
        if (s.Cage.NumInCage > 0 && s.Knockdown1h) {
            for (const std::optional<float> *v : {&s.Knockdown1h, &s.Mortality12h, &s.Mortality24h}) {
                sep();
                if (*v)
                    put(PatternNumber{100.0 * **v, "0.0"});
            }
        }
        end();
    }
}

// The file's in-cloud figures are always those of "Diameter ²": the file has no
// place to say which weighting made them, and every program that reads it takes
// them so. Under another weighting the set is written from a copy recomputed
// that way (a load recomputes every figure anyway), while the caller's composite
// receives the figures of the set's own weighting.
const SlideSet &fileFigures(const SlideSet &set, std::optional<SlideSet> &copy)
{
    if (set.Cloud.Method == CloudMethod::Diameter2)
        return set;
    copy = set;
    copy->Cloud = CloudWeighting();
    int16_t largest = 0;
    RecomputeSlides(*copy, largest);
    return *copy;
}

void ownComposite(const SlideSet &set, CompositeResults *composite)
{
    if (composite && set.Cloud.Method != CloudMethod::Diameter2)
        CalcComposite(set, *composite);
}

} // namespace

QByteArray SlideSetFileBytes(const SlideSet &set, const QString &listSeparator, const NumberFormat &format,
                             CompositeResults *composite)
{
    CompositeResults local;
    QByteArray bytes;
    auto sink = std::make_unique<ByteSink>(&bytes);
    std::optional<SlideSet> copy;
    FileWriter(fileFigures(set, copy), listSeparator, format, *sink).Write(composite ? *composite : local);
    ownComposite(set, composite);
    return bytes;
}

QString WriteSlideSet(QIODevice &device, const SlideSet &set, const QString &listSeparator, const NumberFormat &format,
                      CompositeResults *composite)
{
    CompositeResults local;
    auto sink = std::make_unique<ByteSink>(&device);
    std::optional<SlideSet> copy;
    FileWriter(fileFigures(set, copy), listSeparator, format, *sink).Write(composite ? *composite : local);
    ownComposite(set, composite);
    return sink->Error();
}

QString WriteSlideSetFile(const QString &path, const SlideSet &set, const QString &listSeparator,
                          const NumberFormat &format, CompositeResults *composite)
{
    const QString separators = CheckSeparators(listSeparator, format.decimalSeparator());
    if (!separators.isEmpty())
        return separators;
    // A device, a pipe or a socket would be replaced by a plain file of that name
    // (or, written through, swallow the set); a link in a loop would be replaced
    // by the set: none of them is a save. A link to a file saves that file.
    const QString target = CheckOutputTarget(path);
    if (!target.isEmpty())
        return target;
    QSaveFile file(path);
    // Unbuffered, so a full disk fails the write itself: a small file would
    // otherwise sit in the buffer until commit(), whose flush error Qt does not
    // report, and the cut temporary file would replace the old one. The writer
    // hands over whole 64 KiB chunks of its own.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    QString error = WriteSlideSet(file, set, listSeparator, format, composite);
    if (!error.isEmpty() || !file.flush() || file.error() != QFileDevice::NoError) {
        if (error.isEmpty())
            error = file.errorString();
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
