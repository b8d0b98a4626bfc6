// The reader under a fuzzer: any bytes, read with the two separator pairs the
// program meets most (",", "." and ";", ","). Whatever loads must save and load
// again, and must hold what its own text says or say what it passed over;
// nothing may crash, hang or allocate without bound.
#include "files/SlideSetFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <map>

namespace {

// What the file's text says, read without the reader's rules of place: the slide
// blocks (a line with "Position" and a number in its third field) between the
// "Number of Slides:" line and the composite block, and in each block every line
// shaped as a drop table row (a size class, a count) before its "Range
// Statistics". A set that loaded without all of that must carry a warning.
bool loadedShort(const QByteArray &bytes, const QString &list, const NumberFormat &format, const SlideSet &set)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    qsizetype i = 0;
    while (i < lines.size() && !lines[i].startsWith("Number of Slides:"))
        ++i;
    struct Block
    {
        float Position;
        std::map<int, int> Rows; // class → count of its last row
    };
    std::vector<Block> blocks;
    bool inTable = false;
    for (++i; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]).remove(QLatin1Char('\r'));
        if (line.contains(QLatin1String("Composite Data")))
            break;
        const ListFields f = SplitListLine(line, list);
        int16_t k = 0, n = 0;
        const bool row = f.Fields.size() >= 3 && !f.Fields[0].isEmpty() && format.ToInt16(f.Fields[0], k) == ParseStatus::Ok
                         && k >= 1 && format.ToInt16(f.Fields[2], n) == ParseStatus::Ok && n >= 0;
        float position = 0;
        if (!row && line.contains(QLatin1String("Position")) && f.Fields.size() > 2
            && format.ToSingle(f.Fields[2], position) == ParseStatus::Ok) {
            blocks.push_back({position, {}});
            inTable = true;
        } else if (line.trimmed().startsWith(QLatin1String("Range Statistics"))) {
            inTable = false;
        } else if (row && inTable) {
            blocks.back().Rows[k] = n;
        }
    }
    for (const Block &block : blocks) {
        const int16_t index = FindSlideAtPosition(set, block.Position);
        if (index == 0)
            return true;
        for (const auto &[k, n] : block.Rows)
            if (k > set.Params.MaxSizeEPD || set.Slides[index].Counts[k] != n)
                return true;
    }
    return false;
}

} // namespace

// The reason the bytes broke a rule, or nullptr when they broke none.
const char *CheckSlideSetBytes(const QByteArray &bytes)
{
    static const NumberFormat point(QLatin1Char('.'));
    static const NumberFormat comma(QLatin1Char(','));
    const struct {
        QString list;
        const NumberFormat &format;
    } locales[] = {{QStringLiteral(","), point}, {QStringLiteral(";"), comma}};

    for (const auto &locale : locales) {
        const LoadResult result = ReadSlideSetBytes(bytes, locale.list, locale.format);
        if (result.Ok() != result.Loaded.has_value())
            return "a set comes back exactly when the load succeeds";
        if (!result.Ok()) {
            if (result.Error.isEmpty())
                return "every failure says why";
            continue;
        }
        const SlideSet &set = result.Loaded->Set;
        if (result.Loaded->Warnings.isEmpty() && loadedShort(bytes, locale.list, locale.format, set))
            return "the set holds less than the file's text says, and no warning says so";
        for (int i = 2; i <= set.SlideCount(); ++i)
            if (!(set.Slides[i - 1].Position < set.Slides[i].Position))
                return "slides sorted, no position twice";
        const QByteArray again = SlideSetFileBytes(set, locale.list, locale.format);
        const LoadResult reread = ReadSlideSetBytes(again, locale.list, locale.format);
        // Seven significant digits may merge two positions that differ further
        // down; any other refusal of our own file is a fault.
        if (!reread.Ok() && !reread.Error.contains(QLatin1String("repeats the position")))
            return "the set saved again loads again";
        if (!reread.Ok())
            continue;
        if (reread.Loaded->Set.SlideCount() != set.SlideCount() || !reread.Loaded->Warnings.isEmpty())
            return "the set saved again loads whole, without a warning";
        // Every text comes back as it was read, whatever its script (a line break
        // inside one is written as a blank; a date may take the file's form).
        ParameterTexts texts = set.Texts, back = reread.Loaded->Set.Texts;
        texts.Date = back.Date;
        for (QString *t : {&texts.Agency, &texts.Sprayer, &texts.ReleaseHeight, &texts.Time, &texts.MetHeight,
                           &texts.AirTemp, &texts.WindSpeed, &texts.WindDirection, &texts.RelHumidity,
                           &texts.Product, &texts.SprayRate})
            t->replace(QLatin1Char('\r'), QLatin1Char(' '));
        if (!(texts == back))
            return "every text comes back as it was read";
    }
    return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (CheckSlideSetBytes(bytes))
        std::abort();
    return 0;
}
