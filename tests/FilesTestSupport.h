#pragma once

// Builders shared by the slide set file suites.
#include "files/SlideSetFile.h"

#include <QFile>
#include <QString>

#include <random>

inline QString FilesTestData(const QString &name)
{
    return qEnvironmentVariable("NIMBREL_TEST_DATA") + QLatin1Char('/') + name;
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Sets up a slide with its counts and cage, recomputing everything as the
// program does after an edit.
inline void FillSlide(SlideSet &set, int16_t index, float sweeps, std::initializer_list<std::pair<int, int>> counts,
                      MortalityCounts cage)
{
    int16_t largest = 0;
    Slide &s = set.Slides[index];
    s.Sweeps = sweeps;
    ComputeSlideArea(s, set.Params);
    for (const auto &[k, n] : counts)
        s.Counts[k] = static_cast<int16_t>(n);
    s.Cage = cage;
    SetDropCount(set, 0, 0, index, largest);
    ComputeMortality(s, set.ControlData);
}

// The small set of the golden files (tests/data/golden_*.csv): three slides on a
// six-division reticule, one with no drops and no cage, one whose cage died out.
inline SlideSet GoldenSet(bool metric, bool control)
{
    SlideSet set;
    set.Params.MaxSizeEPD = 6;
    set.Params.Metric = metric;
    set.Params.ScanLength = metric ? 2.0f : static_cast<float>(InchesToCentimetres(1.0));
    int16_t largest = 0;
    ResizeClassArrays(set, largest);
    ParameterTexts &t = set.Texts;
    t.Agency = QStringLiteral("Tarvell Field Unit");
    t.ReleaseHeight = QStringLiteral("10");
    t.Date = QStringLiteral("2024-03-05");
    t.Time = QStringLiteral("06:30");
    t.MetHeight = QStringLiteral("2");
    t.AirTemp = QStringLiteral("25");
    t.WindDirection = QStringLiteral("90");
    t.RelHumidity = QStringLiteral("60");
    t.Product = QStringLiteral("Naled");
    t.SprayRate = metric ? QStringLiteral("1,5") : QStringLiteral("1.5");
    if (control)
        set.ControlData = MortalityCounts{20, 0, 2, 2};
    FillSlide(set, AddSlide(set, -5.0f), 1, {{2, 10}, {4, 10}}, MortalityCounts{20, 5, 4, 12});
    FillSlide(set, AddSlide(set, 0.0f), 2, {}, MortalityCounts{});
    FillSlide(set, AddSlide(set, 7.5f), 1, {{1, 3}, {6, 1}}, MortalityCounts{10, 1, 2, 10});
    set.CurrentSlide = 3;
    return set;
}

// A float that the file's seven significant digits carry exactly: the image of a
// short decimal.
inline float ShortDecimal(std::mt19937 &rng, int lo, int hi, int decimals)
{
    std::uniform_int_distribution<int> whole(lo, hi);
    std::uniform_int_distribution<int> frac(0, 999);
    double value = whole(rng);
    if (decimals > 0)
        value += (value < 0 ? -1 : 1) * (frac(rng) % int(std::pow(10, decimals))) / std::pow(10.0, decimals);
    return static_cast<float>(value);
}

// Random sets as an operator could make them: positions either side of the spray
// line, sweeps, several reticules, cages and control or none, texts in Western
// characters (and without the separator, which the format cannot carry).
inline SlideSet RandomFileSet(std::mt19937 &rng, int slides)
{
    SlideSet set;
    std::uniform_int_distribution<int> coin(0, 1);
    static const int16_t reticules[] = {1, 6, 20, 50, 200};
    set.Params.MaxSizeEPD = reticules[std::uniform_int_distribution<int>(0, 4)(rng)];
    set.Params.Metric = coin(rng);
    // Scan length as the operator sees it, "0.0##" in the unit shown.
    const float shown = ShortDecimal(rng, 1, 9, 3);
    set.Params.ScanLength = set.Params.Metric ? shown : static_cast<float>(InchesToCentimetres(shown));
    set.Params.MicronsPerEPD = ShortDecimal(rng, 1, 60, 2);
    set.Params.SpreadFactor = ShortDecimal(rng, 0, 0, 3);
    if (set.Params.SpreadFactor == 0)
        set.Params.SpreadFactor = 0.56f;
    int16_t largest = 0;
    ResizeClassArrays(set, largest);

    static const QString words[] = {QStringLiteral("Naled"), QStringLiteral("µm 5°"), QStringLiteral("  "),
                                    QStringLiteral("Ça va"), QStringLiteral("12.5"), QString(),
                                    QStringLiteral("Müller & Søn"), QStringLiteral(" lead blank")};
    auto text = [&] { return words[std::uniform_int_distribution<int>(0, 7)(rng)]; };
    ParameterTexts &t = set.Texts;
    for (QString *s : {&t.Agency, &t.Sprayer, &t.ReleaseHeight, &t.Date, &t.Time, &t.MetHeight, &t.AirTemp,
                       &t.WindSpeed, &t.WindDirection, &t.RelHumidity, &t.Product, &t.SprayRate})
        *s = text();
    if (coin(rng)) {
        std::uniform_int_distribution<int> n(1, 50);
        const int16_t num = static_cast<int16_t>(n(rng));
        set.ControlData = MortalityCounts{num, 0, static_cast<int16_t>(n(rng) % (num + 1)),
                                          static_cast<int16_t>(n(rng) % (num + 1))};
    }
    std::uniform_int_distribution<int> count(0, 300);
    for (int i = 0; i < slides; ++i) {
        float position = ShortDecimal(rng, -500, 500, coin(rng) ? 2 : 0);
        while (FindSlideAtPosition(set, position) != 0)
            position += 1000;
        const int16_t index = AddSlide(set, position);
        Slide &s = set.Slides[index];
        s.Sweeps = coin(rng) ? 1.0f : ShortDecimal(rng, 1, 4, 1);
        ComputeSlideArea(s, set.Params);
        if (coin(rng))
            for (int k = 1; k <= set.Params.MaxSizeEPD; ++k)
                s.Counts[k] = static_cast<int16_t>(coin(rng) ? count(rng) : 0);
        if (coin(rng)) {
            const int16_t num = static_cast<int16_t>(count(rng) % 40 + 1);
            s.Cage = MortalityCounts{num, static_cast<int16_t>(count(rng) % (num + 1)),
                                     static_cast<int16_t>(count(rng) % (num + 1)),
                                     static_cast<int16_t>(count(rng) % (num + 1))};
        }
        SetDropCount(set, 0, 0, index, largest);
        ComputeMortality(s, set.ControlData);
    }
    SortSlidesByPosition(set, 0);
    set.CurrentSlide = set.SlideCount();
    return set;
}
