#include "SlideSetFile.h"
#include "model/Units.h"
#include "Windows1252.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

// A line longer than this is no line of a slide set file; refusing it keeps a
// file without line breaks from being read into memory whole.
constexpr qint64 kMaxLineBytes = 1 << 20;

struct ReadFailure
{
    QString Message;
};

struct WrongBanner
{
};

// Whether a file without a byte order mark is UTF-8: a modern editor saves it so,
// and its texts would otherwise come back as "AgÃªncia". Fed the file's bytes in
// any pieces; a sequence may run across two of them.
class Utf8Check
{
public:
    void Feed(const char *data, qsizetype n)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(data);
        qsizetype i = 0;
        while (i < n && !m_invalid) {
            if (m_pending == 0) {
                // Most of a file is ASCII: pass it eight bytes at a time.
                while (i + 8 <= n) {
                    quint64 word;
                    memcpy(&word, p + i, 8);
                    if (word & 0x8080808080808080ull)
                        break;
                    i += 8;
                }
                if (i >= n)
                    break;
            }
            step(p[i++]);
        }
    }
    // Valid UTF-8 throughout, with at least one character beyond ASCII.
    bool IsUtf8() const { return !m_invalid && m_pending == 0 && m_nonAscii; }
    bool IsValid() const { return !m_invalid && m_pending == 0; }
    void Invalidate() { m_invalid = true; }

private:
    void step(unsigned char b)
    {
        if (m_pending > 0) {
            if (b < m_low || b > m_high) {
                m_invalid = true;
                return;
            }
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
            return;
        }
        if (b < 0x80)
            return;
        m_nonAscii = true;
        // Shortest forms only, no surrogates, nothing beyond U+10FFFF.
        if (b >= 0xC2 && b <= 0xDF) {
            m_pending = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_pending = 2;
            if (b == 0xE0)
                m_low = 0xA0;
            else if (b == 0xED)
                m_high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_pending = 3;
            if (b == 0xF0)
                m_low = 0x90;
            else if (b == 0xF4)
                m_high = 0x8F;
        } else {
            m_invalid = true;
        }
    }

    int m_pending = 0;
    unsigned char m_low = 0x80, m_high = 0xBF;
    bool m_invalid = false;
    bool m_nonAscii = false;
};

const char *ordinal(int index)
{
    static const char *const names[] = {"first", "second", "third", "fourth", "fifth"};
    return index < 5 ? names[index] : "next";
}

// An excerpt of a bad line for a one-line message: control characters (a stray
// CR, a vertical tab) are shown escaped so they cannot break the line.
QString quoted(const QString &text)
{
    constexpr int kShown = 40;
    QString shown;
    for (QChar c : QStringView(text).left(kShown)) {
        if (c == QLatin1Char('\r'))
            shown += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            shown += QLatin1String("\\t");
        else if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return QLatin1Char('"') + shown + (text.size() > kShown ? QStringLiteral("…") : QString()) + QLatin1Char('"');
}

// The fields of a drop table row as the writer puts them.
constexpr int kTableFields = 10;

// One slide block as read, before any per-class array exists: its memory grows
// only with the rows the file really holds.
struct PendingSlide
{
    int Line = 0; // of its position line
    float Position = 0;
    float Sweeps = 0;
    MortalityCounts Cage;
    std::vector<std::pair<int16_t, int16_t>> Counts; // (class, count) in file order
    // What the reader passed over in this block, for the operator to check.
    QStringList Notes;
    int OddRows = 0, FirstOddRow = 0, FirstOddRowFields = 0;
};

class FileReader
{
public:
    FileReader(QIODevice &device, const QString &sep, const NumberFormat &format)
        : m_device(&device), m_sep(sep), m_fmt(format)
    {
    }
    FileReader(const QByteArray &bytes, const QString &sep, const NumberFormat &format)
        : m_bytes(&bytes), m_sep(sep), m_fmt(format)
    {
    }

    LoadedSlideSet Read(const ParameterTexts &currentTexts);

private:
    // The next whole line; false at the end of the file. Past the last slide
    // (`m_lenient`) the lines are only looked at, never needed: a line too long
    // for any slide set file, or more bytes than the tail may hold, end the look
    // instead of the load.
    bool next(QString &line)
    {
        if (m_held) {
            line = std::move(*m_held);
            m_held.reset();
            ++m_line;
            return true;
        }
        if (m_lenient && (m_stopLooking || m_bytesRead - m_tailFrom > m_tailLimit))
            return false;
        const char *data = nullptr;
        qsizetype n = 0;
        if (m_bytes) {
            // In memory: the line is found in place, nothing is copied.
            const qsizetype left = m_bytes->size() - m_offset;
            if (left <= 0)
                return false;
            data = m_bytes->constData() + m_offset;
            const void *end = memchr(data, '\n', size_t(left));
            n = end ? static_cast<const char *>(end) - data + 1 : left;
            m_offset += n;
        } else {
            // From a device: the buffer grows only as far as the line reaches.
            for (;;) {
                if (m_buffer.size() < n + 4096)
                    m_buffer.resize(n + 4096);
                const qint64 read = m_device->readLine(m_buffer.data() + n, m_buffer.size() - n);
                if (read <= 0)
                    break;
                n += qsizetype(read);
                if (m_buffer[n - 1] == '\n' || n > kMaxLineBytes)
                    break;
            }
            data = m_buffer.constData();
        }
        if (n == 0)
            return false;
        ++m_line;
        m_bytesRead += n;
        if (n > kMaxLineBytes) {
            if (!m_lenient)
                fail(QStringLiteral("line %1: the line is longer than a slide set file ever writes").arg(m_line));
            if (!m_utf8)
                m_utf8Check.Feed(data, n);
            m_stopLooking = true;
            return false;
        }
        if (m_line == 1 && n >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
            // A spreadsheet that saved the file as UTF-8 marks it so, and so does
            // this program when a text does not fit Windows-1252.
            m_utf8 = true;
            data += 3;
            n -= 3;
        }
        if (!m_utf8) {
            m_utf8Check.Feed(data, n);
        } else {
            // Decoding puts U+FFFD in place of what is not UTF-8; the operator
            // should know which line lost characters so.
            Utf8Check line;
            line.Feed(data, n);
            if (!line.IsValid() && m_badUtf8Lines++ == 0)
                m_firstBadUtf8Line = m_line;
        }
        if (n > 0 && data[n - 1] == '\n')
            --n;
        if (n > 0 && data[n - 1] == '\r')
            --n;
        line = m_utf8 ? QString::fromUtf8(data, n) : DecodeWindows1252(QByteArrayView(data, n));
        return true;
    }
    // The line just read is read again by the next call.
    void pushBack(QString line)
    {
        m_held = std::move(line);
        --m_line;
    }
    QString expect(const QString &what)
    {
        QString line;
        if (!next(line))
            fail(QStringLiteral("line %1: the file ends here, but %2 was expected").arg(m_line + 1).arg(what));
        return line;
    }
    void skip(int lines, const QString &what)
    {
        for (int i = 0; i < lines; ++i)
            expect(what);
    }
    [[noreturn]] void fail(const QString &message) { throw ReadFailure{message}; }

    // Field `index` of the line (A = 0), which must be there.
    QString field(const QString &line, int index, const QString &what)
    {
        const ListFields f = SplitListLine(line, m_sep);
        if (index >= f.Fields.size())
            fail(QStringLiteral("line %1: expected %2 in the %3 field, found only %4 field(s) in %5")
                     .arg(m_line).arg(what).arg(QLatin1String(ordinal(index))).arg(f.Count).arg(quoted(line)));
        return f.Fields[index];
    }
    float toFloat(const QString &text, int index, const QString &what)
    {
        float value = 0;
        switch (m_fmt.ToSingle(text, value)) {
        case ParseStatus::Ok:
            return value;
        case ParseStatus::NotANumber:
            fail(QStringLiteral("line %1: expected a number in the %2 field (%3), found %4")
                     .arg(m_line).arg(QLatin1String(ordinal(index)), what, quoted(text)));
        case ParseStatus::OutOfRange:
            break;
        }
        fail(QStringLiteral("line %1: expected a number in the %2 field (%3), found %4, which is out of range")
                 .arg(m_line).arg(QLatin1String(ordinal(index)), what, quoted(text)));
    }
    float positiveFloat(const QString &text, int index, const QString &what)
    {
        const float value = toFloat(text, index, what);
        if (!(value > 0))
            fail(QStringLiteral("line %1: expected a number above 0 in the %2 field (%3), found %4")
                     .arg(m_line).arg(QLatin1String(ordinal(index)), what, quoted(text)));
        return value;
    }
    // A 16-bit whole number (rounded half to even) from `lowest` to 32767.
    int16_t toInt16(const QString &text, int index, const QString &what, int lowest)
    {
        int16_t value = 0;
        const ParseStatus status = m_fmt.ToInt16(text, value);
        if (status == ParseStatus::NotANumber)
            fail(QStringLiteral("line %1: expected a whole number in the %2 field (%3), found %4")
                     .arg(m_line).arg(QLatin1String(ordinal(index)), what, quoted(text)));
        if (status == ParseStatus::OutOfRange || value < lowest)
            fail(QStringLiteral("line %1: expected a whole number from %2 to %3 in the %4 field (%5), found %6")
                     .arg(m_line).arg(lowest).arg(kMaxCounter)
                     .arg(QLatin1String(ordinal(index)), what, quoted(text)));
        return value;
    }
    static bool isNoValue(const QString &text) { return text.trimmed() == QLatin1String(kNoValue); }
    // A line with nothing but separators and blanks, as a spreadsheet writes the
    // empty lines of a file it saves again.
    bool isBlank(const QString &line) const
    {
        qsizetype i = 0;
        while (i < line.size()) {
            if (line.at(i).isSpace())
                ++i;
            else if (QStringView(line).mid(i).startsWith(m_sep, Qt::CaseInsensitive))
                i += m_sep.size();
            else
                return false;
        }
        return true;
    }
    // Fields A and C of a drop table row without splitting the whole row: a long
    // drop table is most of a file, and only these two of its ten fields are read.
    bool rowFields(const QString &row, QStringView &a, QStringView &c) const
    {
        const qsizetype first = row.indexOf(m_sep, 0, Qt::CaseInsensitive);
        if (first <= 0)
            return false; // no separator, or an empty field A: the general rule applies
        const qsizetype second = row.indexOf(m_sep, first + m_sep.size(), Qt::CaseInsensitive);
        if (second < 0)
            return false;
        const qsizetype third = row.indexOf(m_sep, second + m_sep.size(), Qt::CaseInsensitive);
        a = QStringView(row).left(first);
        c = QStringView(row).mid(second + m_sep.size(), third < 0 ? -1 : third - second - m_sep.size());
        return true;
    }
    // Most counts in a file are plain digits; those need no locale rules. Anything
    // else (a sign, a decimal, blanks, an exponent) goes through NumberFormat.
    static bool plainCount(QStringView text, int16_t &value)
    {
        if (text.isEmpty() || text.size() > 4)
            return false; // up to 9999: never beyond the 16-bit range
        int v = 0;
        for (QChar ch : text) {
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
                return false;
            v = v * 10 + (ch.unicode() - '0');
        }
        value = static_cast<int16_t>(v);
        return true;
    }

    // The rest of the file after the last slide block: not read for data, but its
    // bytes count in deciding the encoding. Lines already looked at count too.
    void readTail()
    {
        if (m_utf8)
            return;
        const qint64 limit = m_tailLimit;
        qint64 taken = m_bytesRead - m_tailFrom;
        if (m_bytes) {
            const qsizetype left = m_bytes->size() - m_offset;
            const qint64 room = std::max<qint64>(0, limit - taken);
            const qint64 now = std::min<qint64>(left, room + 1);
            m_utf8Check.Feed(m_bytes->constData() + m_offset, qsizetype(std::min<qint64>(now, room)));
            m_offset += qsizetype(now);
            taken += now;
        } else {
            char block[65536];
            while (taken <= limit) {
                const qint64 read = m_device->read(block, sizeof block);
                if (read <= 0)
                    break;
                m_utf8Check.Feed(block, qsizetype(read));
                taken += read;
            }
        }
        // More after the slides than any composite block: no verdict on it, so
        // the file is read as Windows-1252, as it always was.
        if (taken > limit)
            m_utf8Check.Invalidate();
    }

    // Fields of a line as the writer counts them: separators a spreadsheet pads
    // a line with (empty fields at its end) do not count.
    int fieldCount(QStringView line) const
    {
        for (;;) {
            while (!line.isEmpty() && line.back().isSpace())
                line.chop(1);
            if (line.isEmpty() || !line.endsWith(m_sep, Qt::CaseInsensitive))
                break;
            line.chop(m_sep.size());
        }
        return int(line.count(m_sep, Qt::CaseInsensitive)) + 1;
    }
    // A line the drop table would have taken: a size class and a count.
    bool looksLikeRow(const QString &line) const
    {
        QStringView a, c;
        QString splitA, splitC;
        if (!rowFields(line, a, c)) {
            const ListFields f = SplitListLine(line, m_sep);
            if (f.Fields.size() < 3)
                return false;
            splitA = f.Fields[0];
            splitC = f.Fields[2];
            a = splitA;
            c = splitC;
        }
        int16_t k = 0, n = 0;
        return (plainCount(a, k) || m_fmt.ToInt16(a.toString(), k) == ParseStatus::Ok) && k >= 1
               && (plainCount(c, n) || m_fmt.ToInt16(c.toString(), n) == ParseStatus::Ok) && n >= 0;
    }
    // A line the reader takes by its place in a slide block should carry its
    // label and no more fields than the writer puts there; anything else means a
    // line break was lost or added nearby, and the lines after it have moved.
    void checkLine(PendingSlide &slide, const QString &line, const char *label, int fields)
    {
        if (label && !line.trimmed().startsWith(QLatin1String(label))) {
            slide.Notes << QStringLiteral("line %1 should be the \"%2\" line, but is %3")
                               .arg(m_line).arg(QLatin1String(label), quoted(line));
        } else if (const int count = fieldCount(line); count > fields) {
            slide.Notes << QStringLiteral("line %1 (%2) carries %3 fields where the file has %4: a line break may "
                                          "have been lost there")
                               .arg(m_line)
                               .arg(label ? QStringLiteral("the \"%1\" line").arg(QLatin1String(label))
                                          : QStringLiteral("the position line"))
                               .arg(count).arg(fields);
        }
    }
    void passAfterTable(PendingSlide &slide, const QString &end, bool last);
    void lookForUnreadSlides();
    void readText(LoadedSlideSet &out, int index);
    void readParameters(LoadedSlideSet &out);
    void readControlData(MortalityCounts &control);
    void readSlide(PendingSlide &slide, int number, int16_t maxSize, bool last);
    QString findPosition(int number);
    LoadedSlideSet build(LoadedSlideSet loaded, std::vector<PendingSlide> &slides);

    QIODevice *m_device = nullptr;
    const QByteArray *m_bytes = nullptr;
    qsizetype m_offset = 0;
    const QString m_sep;
    const NumberFormat &m_fmt;
    int m_line = 0;
    bool m_utf8 = false;
    Utf8Check m_utf8Check;
    bool m_endedInTable = false; // the last drop table ran into the end of the file
    QByteArray m_buffer; // one line at a time, however long the file
    QString m_splitA, m_splitC;
    std::optional<QString> m_held; // a line read ahead and given back
    qint64 m_bytesRead = 0;
    // Past the last slide: where its lines begin, how many bytes are looked at.
    bool m_lenient = false, m_stopLooking = false;
    qint64 m_tailFrom = 0, m_tailLimit = 0;
    int m_badUtf8Lines = 0, m_firstBadUtf8Line = 0;
    // Slide blocks beyond the count of the "Number of Slides:" line.
    int m_unreadSlides = 0, m_firstUnreadSlideLine = 0;
    float m_firstUnreadPosition = 0;
};

void FileReader::readText(LoadedSlideSet &out, int index)
{
    const ParameterTextField &f = ParameterTextFields()[index];
    const QString what = QStringLiteral("the \"%1\" line").arg(QLatin1String(f.Label));
    const QString text = field(expect(what), 2, QStringLiteral("the text of ") + what);
    if (isNoValue(text))
        return;
    out.Set.Texts.*f.Member = text;
    out.TextInFile[index] = true;
}

QString FileReader::findPosition(int number)
{
    const QString what = QStringLiteral("the position line of slide %1").arg(number);
    for (;;) {
        QString line = expect(what);
        if (line.contains(QLatin1String("Position")))
            return line;
    }
}

void FileReader::readSlide(PendingSlide &slide, int number, int16_t maxSize, bool last)
{
    const QString positionLine = findPosition(number);
    slide.Line = m_line;
    slide.Position = toFloat(field(positionLine, 2, QStringLiteral("the slide position")), 2,
                             QStringLiteral("the position of slide %1").arg(number));
    checkLine(slide, positionLine, nullptr, 4);
    const QString sweepsWhat = QStringLiteral("the sweeps of slide %1").arg(number);
    const QString sweepsLine = expect(QStringLiteral("the \"Number of Sweeps:\" line"));
    slide.Sweeps = positiveFloat(field(sweepsLine, 2, sweepsWhat), 2, sweepsWhat);
    checkLine(slide, sweepsLine, "Number of Sweeps:", 3);

    // The results of the block are recomputed, not read: their lines are only
    // checked for their place.
    static const struct
    {
        const char *Label;
        int Fields;
    } results[4] = {{"Cloud VMD:", 4}, {"Cloud NMD:", 4}, {"Slide Drop Density:", 4}, {"Mortality Info:", 1}};
    for (const auto &r : results)
        checkLine(slide, expect(QStringLiteral("the lines before \"Number in cage:\" of slide %1").arg(number)), r.Label,
                  r.Fields);
    static const char *const cageLabels[4] = {"Number in cage:", "1 hr knockdown:", "12 hr mortality:",
                                              "24 hr mortality:"};
    int16_t *cage[4] = {&slide.Cage.NumInCage, &slide.Cage.Down1h, &slide.Cage.Dead12h, &slide.Cage.Dead24h};
    for (int c = 0; c < 4; ++c) {
        const QString what = QStringLiteral("the \"%1\" count of slide %2").arg(QLatin1String(cageLabels[c])).arg(number);
        const QString line = expect(QStringLiteral("the \"%1\" line").arg(QLatin1String(cageLabels[c])));
        const QString text = field(line, 2, what);
        if (!isNoValue(text))
            *cage[c] = toInt16(text, 2, what, 0);
        checkLine(slide, line, cageLabels[c], c == 0 ? 3 : 4); // a corrected figure follows the counts
    }

    const QString headings = QStringLiteral("the drop table headings of slide %1").arg(number);
    checkLine(slide, expect(headings), "Drop Info:", kTableFields);
    checkLine(slide, expect(headings), "#EPD", kTableFields);
    QString row = expect(QStringLiteral("the drop table of slide %1").arg(number));
    if (row.toLower().contains(QLatin1String("no drops entered"))) {
        passAfterTable(slide, QStringLiteral("the \"No Drops Entered\" line %1").arg(m_line), last);
        return;
    }
    for (;;) {
        QStringView a, c;
        if (!rowFields(row, a, c)) {
            const ListFields f = SplitListLine(row, m_sep);
            if (f.Fields.size() < 3)
                fail(QStringLiteral("line %1: expected a drop table row of slide %2 (size class, diameter, count), "
                                    "found %3").arg(m_line).arg(number).arg(quoted(row)));
            m_splitA = f.Fields[0]; // the views must outlive the split list
            m_splitC = f.Fields[2];
            a = m_splitA;
            c = m_splitC;
        }
        int16_t k = 0, n = 0;
        if (!plainCount(a, k))
            k = toInt16(a.toString(), 0, QStringLiteral("the size class"), 0);
        if (k > maxSize)
            fail(QStringLiteral("line %1: size class %2 is above the %3 EPD on the reticule")
                     .arg(m_line).arg(k).arg(maxSize));
        if (!plainCount(c, n))
            n = toInt16(c.toString(), 2, QStringLiteral("the drop count of class %1").arg(k), 0);
        if (k > 0) // class 0 never holds a drop; the recomputation clears it anyway
            slide.Counts.emplace_back(k, n);
        // A row cut in two by a stray line break, or two rows run together,
        // still reads as a class and a count: its field count tells.
        if (const int fields = fieldCount(row); fields != kTableFields && slide.OddRows++ == 0) {
            slide.FirstOddRow = m_line;
            slide.FirstOddRowFields = fields;
        }
        if (!next(row)) {
            m_endedInTable = true;
            return;
        }
        if (isBlank(row)) {
            passAfterTable(slide, QStringLiteral("the empty line %1").arg(m_line), last);
            return;
        }
    }
}

// The drop table ends at an empty line (or says "No Drops Entered"); rows after
// it are not read. The lines up to the next section, slide block or the
// composite block are looked at, so that rows cut off by a stray empty line (or
// by a row whose class was lost) are reported.
void FileReader::passAfterTable(PendingSlide &slide, const QString &end, bool last)
{
    if (last) {
        // What follows the last table is looked at, never needed.
        m_lenient = true;
        m_tailFrom = m_bytesRead;
    }
    int rows = 0, first = 0;
    QString line;
    while (next(line)) {
        if (line.contains(QLatin1String("Position")) || line.contains(QLatin1String("Composite Data"))) {
            pushBack(std::move(line)); // the next block: found by the caller
            break;
        }
        if (line.trimmed().startsWith(QLatin1String("Range Statistics")))
            break;
        if (looksLikeRow(line) && rows++ == 0)
            first = m_line;
    }
    if (rows > 0)
        slide.Notes << (rows == 1 ? QStringLiteral("the drop table ends at %1, and the table row after it (line %2) "
                                                   "was not read").arg(end).arg(first)
                                  : QStringLiteral("the drop table ends at %1, and the %2 table rows after it (from "
                                                   "line %3) were not read").arg(end).arg(rows).arg(first));
}

// After the last slide the reader wants nothing more; slide blocks there mean the
// "Number of Slides:" line gives fewer slides than the file holds.
void FileReader::lookForUnreadSlides()
{
    m_lenient = true;
    QString line;
    while (next(line)) {
        if (line.contains(QLatin1String("Composite Data")))
            return;
        if (!line.contains(QLatin1String("Position")))
            continue;
        float position = 0;
        const ListFields f = SplitListLine(line, m_sep);
        if (f.Fields.size() > 2 && m_fmt.ToSingle(f.Fields[2], position) == ParseStatus::Ok && m_unreadSlides++ == 0) {
            m_firstUnreadSlideLine = m_line;
            m_firstUnreadPosition = position;
        }
    }
}

// The analysis parameters and the descriptive texts, up to the heading of the
// control data.
void FileReader::readParameters(LoadedSlideSet &out)
{
    skip(6, QStringLiteral("the heading of the analysis parameters"));
    AnalysisParameters &p = out.Set.Params;
    p.Metric = field(expect(QStringLiteral("the \"Units:\" line")), 2, QStringLiteral("the unit system"))
                   .trimmed().toLower() == QLatin1String("metric");
    for (int i = 0; i <= 4; ++i)
        if (i < 3 || !out.EarlierLayout)
            readText(out, i);
    skip(1, QStringLiteral("the empty line before \"Scan Length:\""));

    const QString scan = field(expect(QStringLiteral("the \"Scan Length:\" line")), 2, QStringLiteral("the scan length"));
    const float scanShown = positiveFloat(scan, 2, QStringLiteral("the scan length"));
    p.ScanLength = p.Metric ? scanShown : static_cast<float>(InchesToCentimetres(scanShown));
    if (!(p.ScanLength > 0))
        fail(QStringLiteral("line %1: expected a scan length above 0, found %2").arg(m_line).arg(quoted(scan)));
    p.MaxSizeEPD = toInt16(field(expect(QStringLiteral("the \"# EPD on reticule:\" line")), 2,
                                 QStringLiteral("the EPD on the reticule")),
                           2, QStringLiteral("the EPD on the reticule"), 1);
    p.MicronsPerEPD = positiveFloat(field(expect(QStringLiteral("the \"%1/EPD:\" line").arg(Microns())), 2,
                                          QStringLiteral("the microns per EPD")),
                                    2, QStringLiteral("the microns per EPD"));
    p.SpreadFactor = positiveFloat(field(expect(QStringLiteral("the \"Spread Factor:\" line")), 2,
                                         QStringLiteral("the spread factor")),
                                   2, QStringLiteral("the spread factor"));
    skip(1, QStringLiteral("the empty line before \"Height:\""));
    for (int i = 5; i <= 9; ++i)
        readText(out, i);
    skip(1, QStringLiteral("the empty line before \"Product:\""));
    readText(out, 10);
    readText(out, 11);
    skip(5, QStringLiteral("the heading of the mortality control data"));
}

// The control cage; "--------" for a set without one.
void FileReader::readControlData(MortalityCounts &control)
{
    const QString controlText = field(expect(QStringLiteral("the control \"Number in cage:\" line")), 2,
                                      QStringLiteral("the control number in cage"));
    if (isNoValue(controlText)) {
        skip(3, QStringLiteral("the control mortality lines"));
    } else {
        control.NumInCage = toInt16(controlText, 2, QStringLiteral("the control number in cage"), 0);
        control.Dead12h = toInt16(field(expect(QStringLiteral("the control \"12 hr mortality:\" line")), 2,
                                        QStringLiteral("the control 12 hr count")),
                                  2, QStringLiteral("the control 12 hr count"), 0);
        control.Dead24h = toInt16(field(expect(QStringLiteral("the control \"24 hr mortality:\" line")), 2,
                                        QStringLiteral("the control 24 hr count")),
                                  2, QStringLiteral("the control 24 hr count"), 0);
    }
}

LoadedSlideSet FileReader::Read(const ParameterTexts &currentTexts)
{
    LoadedSlideSet out;
    out.Set.Texts = currentTexts;

    QString first, second;
    if (!next(first) || !next(second) || !second.contains(QLatin1String(kBanner)))
        throw WrongBanner();
    out.EarlierLayout = !first.contains(DoubleRule());

    readParameters(out);
    readControlData(out.Set.ControlData);
    const AnalysisParameters &p = out.Set.Params;
    skip(5, QStringLiteral("the heading of the slide data"));
    const QString countLine = expect(QStringLiteral("the \"Number of Slides:\" line"));
    const int16_t slideCount = toInt16(field(countLine, 2,
                                             QStringLiteral("the number of slides")),
                                       2, QStringLiteral("the number of slides"), 0);
    const int slidesLine = m_line;
    // Read by its place: any other line there means lines before it were lost
    // or added, and the count (and what it says of the slide blocks) is suspect.
    if (!countLine.trimmed().startsWith(QLatin1String("Number of Slides:")))
        out.Warnings << QStringLiteral("line %1 should be the \"Number of Slides:\" line, but is %2: lines before it "
                                       "may have been lost or added").arg(m_line).arg(quoted(countLine));
    if (qint64(slideCount) * (qint64(p.MaxSizeEPD) + 1) > kMaxClassCells)
        fail(QStringLiteral("line %1: %2 slides of %3 size classes are more than this program can hold")
                 .arg(m_line).arg(slideCount).arg(p.MaxSizeEPD));

    // The composite block and the line statistics: a row per class and per slide.
    m_tailLimit = (qint64(1) << 20) + (qint64(p.MaxSizeEPD) + slideCount) * 256;
    m_tailFrom = m_bytesRead;

    // Slides grow as their blocks are read, so a count that the file cannot back
    // fails at its end, not in the allocator.
    std::vector<PendingSlide> slides;
    for (int i = 1; i <= slideCount; ++i) {
        slides.emplace_back();
        readSlide(slides.back(), i, p.MaxSizeEPD, i == slideCount);
    }
    const QString unit = UnitText(UnitKind::Length, p.Metric);
    for (size_t i = 0; i < slides.size(); ++i)
        if (!slides[i].Notes.isEmpty() || slides[i].OddRows > 0) {
            const PendingSlide &s = slides[i];
            QStringList notes = s.Notes;
            if (s.OddRows > 0)
                notes << QStringLiteral("line %1 is a drop table row of %2 field(s) where the table has %3%4: a line "
                                        "break may have been lost or added there")
                             .arg(s.FirstOddRow).arg(s.FirstOddRowFields).arg(kTableFields)
                             .arg(s.OddRows > 1 ? QStringLiteral(" (and %1 more such rows)").arg(s.OddRows - 1) : QString());
            out.Warnings << QStringLiteral("slide %1 (position %2 %3): ").arg(i + 1).arg(m_fmt.General(s.Position), unit)
                                + notes.join(QStringLiteral("; "));
        }
    // The writer always follows the last drop table with an empty line and the
    // composite block. A file that ends inside the table was cut: what was read
    // is kept, but its last counts may be short.
    if (m_endedInTable && !slides.empty()) {
        const PendingSlide &last = slides.back();
        out.Warnings << QStringLiteral("the file ends inside the drop table of slide %1 (position %2 %3), where "
                                       "more always follows: its last drop counts may be missing")
                            .arg(slideCount).arg(m_fmt.General(last.Position), unit);
    }
    if (!m_endedInTable)
        lookForUnreadSlides();
    if (m_unreadSlides > 0)
        out.Warnings << QStringLiteral("line %1 gives %2 slide(s), but %3 more slide block(s) follow (the first on "
                                       "line %4, at position %5 %6): they were not read")
                            .arg(slidesLine).arg(slideCount).arg(m_unreadSlides).arg(m_firstUnreadSlideLine)
                            .arg(m_fmt.General(m_firstUnreadPosition), unit);
    if (m_badUtf8Lines > 0)
        out.Warnings << QStringLiteral("line %1%2 holds bytes that are not UTF-8, though the file is marked as UTF-8: "
                                       "they were read as \"\uFFFD\"")
                            .arg(m_firstBadUtf8Line)
                            .arg(m_badUtf8Lines > 1 ? QStringLiteral(" (and %1 more lines)").arg(m_badUtf8Lines - 1)
                                                    : QString());
    readTail();
    if (m_utf8Check.IsUtf8()) {
        for (int i = 0; i < kParameterTextCount; ++i)
            if (out.TextInFile[i]) {
                QString &text = out.Set.Texts.*ParameterTextFields()[i].Member;
                text = QString::fromUtf8(EncodeWindows1252(text));
            }
    }
    return build(std::move(out), slides);
}

LoadedSlideSet FileReader::build(LoadedSlideSet loaded, std::vector<PendingSlide> &slides)
{
    // Two slides at one position would break the one-slide-per-position rule that
    // the slide strip and the position dialog rely on.
    std::vector<std::pair<float, int>> positions;
    positions.reserve(slides.size());
    for (const PendingSlide &s : slides)
        positions.emplace_back(s.Position, s.Line);
    std::sort(positions.begin(), positions.end());
    for (size_t i = 1; i < positions.size(); ++i)
        if (positions[i].first == positions[i - 1].first)
            fail(QStringLiteral("line %1: the slide at position %2 repeats the position of the slide on line %3")
                     .arg(std::max(positions[i].second, positions[i - 1].second))
                     .arg(m_fmt.General(positions[i].first))
                     .arg(std::min(positions[i].second, positions[i - 1].second)));

    SlideSet &set = loaded.Set;
    const MortalityCounts control = set.ControlData;
    ClearSlides(set); // sizes the placeholder to the file's classes
    set.ControlData = control;
    set.Slides.reserve(slides.size() + 1);
    int16_t largest = 0;
    for (const PendingSlide &pending : slides) {
        const int16_t index = AddSlide(set, pending.Position);
        Slide &slide = set.Slides[index];
        slide.Sweeps = pending.Sweeps;
        ComputeSlideArea(slide, set.Params);
        slide.Cage = pending.Cage;
        for (const auto &[k, n] : pending.Counts)
            slide.Counts[k] = n; // a class given twice keeps its last count
        if (SetDropCount(set, 0, 0, index, largest) != CountResult::Ok)
            fail(QStringLiteral("line %1: slide %2 holds more drops than its sums can hold")
                     .arg(pending.Line).arg(index));
        ComputeMortality(slide, set.ControlData);
    }
    SortSlidesByPosition(set, 0);
    set.CurrentSlide = set.SlideCount();
    loaded.LargestSizeFound = ComputeLargestSizeFound(set);
    return loaded;
}

} // namespace

QString WrongBannerMessage(const QString &fileName)
{
    return QLatin1Char('\'') + fileName + QStringLiteral("' does not appear to be a slide data set.");
}

namespace {

template <typename Source>
LoadResult readWith(Source &source, const QString &listSeparator, const NumberFormat &format,
                    const ParameterTexts &currentTexts)
{
    LoadResult result;
    const QString separators = CheckSeparators(listSeparator, format.decimalSeparator());
    if (!separators.isEmpty()) {
        result.Error = separators;
        return result;
    }
    try {
        result.Loaded = FileReader(source, listSeparator, format).Read(currentTexts);
        result.Status = LoadStatus::Ok;
    } catch (const WrongBanner &) {
        result.Status = LoadStatus::WrongBanner;
        result.Error = WrongBannerMessage(result.FileName);
    } catch (const ReadFailure &failure) {
        result.Error = failure.Message;
    } catch (const std::bad_alloc &) {
        result.Error = QStringLiteral("there is not enough memory to hold this slide set");
    }
    return result;
}

} // namespace

LoadResult ReadSlideSet(QIODevice &device, const QString &listSeparator, const NumberFormat &format,
                        const ParameterTexts &currentTexts)
{
    return readWith(device, listSeparator, format, currentTexts);
}

LoadResult ReadSlideSetBytes(const QByteArray &bytes, const QString &listSeparator, const NumberFormat &format,
                             const ParameterTexts &currentTexts)
{
    return readWith(bytes, listSeparator, format, currentTexts);
}

LoadResult ReadSlideSetFile(const QString &path, const QString &listSeparator, const NumberFormat &format,
                            const ParameterTexts &currentTexts)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    LoadResult result;
    if (QFileInfo(path).isDir()) {
        result.Error = QStringLiteral("%1 is a folder").arg(path);
    } else if (!file.open(QIODevice::ReadOnly)) {
        result.Error = file.errorString();
    } else {
        result = ReadSlideSet(file, listSeparator, format, currentTexts);
    }
    result.FileName = name;
    if (result.Status == LoadStatus::WrongBanner)
        result.Error = WrongBannerMessage(name);
    return result;
}
