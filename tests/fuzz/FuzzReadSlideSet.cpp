// The reader under a fuzzer: any bytes, read with the two separator pairs the
// program meets most (",", "." and ";", ","). Whatever loads must save and load
// again; nothing may crash, hang or allocate without bound.
#include "files/SlideSetFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    static const NumberFormat point(QLatin1Char('.'));
    static const NumberFormat comma(QLatin1Char(','));
    const struct {
        QString list;
        const NumberFormat &format;
    } locales[] = {{QStringLiteral(","), point}, {QStringLiteral(";"), comma}};

    for (const auto &locale : locales) {
        const LoadResult result = ReadSlideSetBytes(bytes, locale.list, locale.format);
        if (result.Ok() != result.Loaded.has_value())
            std::abort();
        if (!result.Ok()) {
            if (result.Error.isEmpty())
                std::abort(); // every failure says why
            continue;
        }
        const SlideSet &set = result.Loaded->Set;
        for (int i = 2; i <= set.SlideCount(); ++i)
            if (!(set.Slides[i - 1].Position < set.Slides[i].Position))
                std::abort(); // sorted, no position twice
        const QByteArray again = SlideSetFileBytes(set, locale.list, locale.format);
        const LoadResult reread = ReadSlideSetBytes(again, locale.list, locale.format);
        // Seven significant digits may merge two positions that differ further
        // down; any other refusal of our own file is a fault.
        if (!reread.Ok() && !reread.Error.contains(QLatin1String("repeats the position")))
            std::abort();
        if (!reread.Ok())
            continue;
        if (reread.Loaded->Set.SlideCount() != set.SlideCount())
            std::abort();
        // Every text comes back as it was read, whatever its script (a line break
        // inside one is written as a blank; a date may take the file's form).
        ParameterTexts texts = set.Texts, back = reread.Loaded->Set.Texts;
        texts.Date = back.Date;
        for (QString *t : {&texts.Agency, &texts.Sprayer, &texts.ReleaseHeight, &texts.Time, &texts.MetHeight,
                           &texts.AirTemp, &texts.WindSpeed, &texts.WindDirection, &texts.RelHumidity,
                           &texts.Product, &texts.SprayRate})
            t->replace(QLatin1Char('\r'), QLatin1Char(' '));
        if (!(texts == back))
            std::abort();
    }
    return 0;
}
