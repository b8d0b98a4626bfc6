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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    set.Texts = {.Agency = "Tarvell Field Unit", .Sprayer = {}, .ReleaseHeight = "10", .Date = "2024-03-05",
                 .Time = "06:30", .MetHeight = "2", .AirTemp = "25", .WindSpeed = {}, .WindDirection = "90",
                 .RelHumidity = "60", .Product = "Naled", .SprayRate = metric ? "1,5" : "1.5"};
    if (control)
        set.ControlData = MortalityCounts{20, 0, 2, 2};
    FillSlide(set, AddSlide(set, -5.0f), 1, {{2, 10}, {4, 10}}, MortalityCounts{20, 5, 4, 12});
    FillSlide(set, AddSlide(set, 0.0f), 2, {}, MortalityCounts{});
    FillSlide(set, AddSlide(set, 7.5f), 1, {{1, 3}, {6, 1}}, MortalityCounts{10, 1, 2, 10});
    set.CurrentSlide = 3;
    return set;
}

// A short decimal, which the file's seven significant digits carry exactly.
inline float ShortDecimal(std::mt19937 &rng, int lo, int hi, int decimals)
{
    double value = std::uniform_int_distribution<int>(lo, hi)(rng);
    const int scale = int(std::pow(10, decimals));
    value += (value < 0 ? -1 : 1) * std::uniform_int_distribution<int>(0, scale - 1)(rng) / double(scale);
    return static_cast<float>(value);
}

// Random sets as an operator could make them: positions either side of the spray
// line, sweeps, several reticules, cages and control or none, texts in Western
// characters (and without the separator, which the format cannot carry).
inline SlideSet RandomFileSet(std::mt19937 &rng, int slides)
{
    SlideSet set;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const int16_t reticules[] = {1, 6, 20, 50, 200};
    set.Params.MaxSizeEPD = reticules[pick(0, 4)];
    set.Params.Metric = pick(0, 1);
    const float shown = ShortDecimal(rng, 1, 9, 3); // as the operator sees it, in the unit shown
    set.Params.ScanLength = set.Params.Metric ? shown : static_cast<float>(InchesToCentimetres(shown));
    set.Params.MicronsPerEPD = ShortDecimal(rng, 1, 60, 2);
    set.Params.SpreadFactor = std::max(ShortDecimal(rng, 0, 0, 3), 0.001f);
    int16_t largest = 0;
    ResizeClassArrays(set, largest);

    static const char *const words[] = {"Naled", "µm 5°", "  ", "Ça va", "12.5", "", "Müller & Søn", " lead blank"};
    ParameterTexts &t = set.Texts;
    for (QString *s : {&t.Agency, &t.Sprayer, &t.ReleaseHeight, &t.Date, &t.Time, &t.MetHeight, &t.AirTemp,
                       &t.WindSpeed, &t.WindDirection, &t.RelHumidity, &t.Product, &t.SprayRate})
        *s = QString::fromUtf8(words[pick(0, 7)]);
    auto cage = [&](int n, bool down) {
        return MortalityCounts{int16_t(n), int16_t(down ? pick(0, n) : 0), int16_t(pick(0, n)), int16_t(pick(0, n))};
    };
    if (pick(0, 1))
        set.ControlData = cage(pick(1, 50), false);
    for (int i = 0; i < slides; ++i) {
        float position = ShortDecimal(rng, -500, 500, pick(0, 1) ? 2 : 0);
        while (FindSlideAtPosition(set, position) != 0)
            position += 1000;
        const int16_t index = AddSlide(set, position);
        Slide &s = set.Slides[index];
        s.Sweeps = pick(0, 1) ? 1.0f : ShortDecimal(rng, 1, 4, 1);
        ComputeSlideArea(s, set.Params);
        if (pick(0, 1))
            for (int k = 1; k <= set.Params.MaxSizeEPD; ++k)
                s.Counts[k] = static_cast<int16_t>(pick(0, 1) ? pick(0, 300) : 0);
        if (pick(0, 1))
            s.Cage = cage(pick(1, 40), true);
        SetDropCount(set, 0, 0, index, largest);
        ComputeMortality(s, set.ControlData);
    }
    SortSlidesByPosition(set, 0);
    set.CurrentSlide = set.SlideCount();
    return set;
}
