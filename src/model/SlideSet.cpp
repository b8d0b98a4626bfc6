#include "SlideSet.h"

#include "NumberText.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

void sizeClassArrays(Slide &slide, int16_t maxSizeEPD)
{
    const size_t n = size_t(maxSizeEPD) + 1;
    slide.Counts.resize(n, 0);
    slide.VF.resize(n, 0.0f);
    slide.CVF.resize(n, 0.0f);
    slide.NF.resize(n, 0.0f);
    slide.CNF.resize(n, 0.0f);
}

constexpr double kFeetPerMetre = 3.2808;

} // namespace

SlideSet::SlideSet()
{
    Slides.resize(1);
    sizeClassArrays(Slides[0], Params.MaxSizeEPD);
}

float ClassDiameter(const AnalysisParameters &params, int k)
{
    return static_cast<float>(double(k) * double(params.MicronsPerEPD) * double(params.SpreadFactor));
}

double ShownClassDiameter(const AnalysisParameters &params, int k)
{
    return double(k) * double(params.MicronsPerEPD) * double(params.SpreadFactor);
}

double RangeDmax(const AnalysisParameters &params)
{
    return RoundHalfEven(double(params.MaxSizeEPD) * double(params.MicronsPerEPD) * double(params.SpreadFactor));
}

void ComputeSlideArea(Slide &slide, const AnalysisParameters &params)
{
    slide.Area = static_cast<float>(double(slide.Sweeps) * double(params.ScanLength) * double(params.MaxSizeEPD)
                                    * double(params.MicronsPerEPD) * 0.0001);
}

int16_t AddSlide(SlideSet &set, float position)
{
    if (set.SlideCount() >= kMaxCounter)
        return 0;
    Slide slide;
    sizeClassArrays(slide, set.Params.MaxSizeEPD);
    slide.Position = position;
    slide.Sweeps = 1;
    ComputeSlideArea(slide, set.Params);
    set.Slides.push_back(std::move(slide));
    return set.SlideCount();
}

void ResizeClassArrays(SlideSet &set, int16_t &largestSizeFound)
{
    for (Slide &slide : set.Slides)
        sizeClassArrays(slide, set.Params.MaxSizeEPD);
    for (int i = 1; i <= set.SlideCount(); ++i) {
        ComputeSlideArea(set.Slides[i], set.Params);
        SetDropCount(set, 0, 0, int16_t(i), largestSizeFound);
    }
}

void RecomputeSlides(SlideSet &set, int16_t &largestSizeFound)
{
    for (int i = 1; i <= set.SlideCount(); ++i) {
        ComputeSlideArea(set.Slides[i], set.Params);
        SetDropCount(set, 0, 0, int16_t(i), largestSizeFound);
    }
    if (set.Params.MaxSizeEPD < largestSizeFound)
        largestSizeFound = ComputeLargestSizeFound(set);
}

void ClearSlides(SlideSet &set)
{
    set.Slides.resize(1);
    set.Slides[0] = Slide();
    sizeClassArrays(set.Slides[0], set.Params.MaxSizeEPD);
    set.CurrentSlide = 0;
    set.ControlData = MortalityCounts();
}

void RemoveSlide(SlideSet &set, int16_t index)
{
    if (index < 1 || index > set.SlideCount())
        return;
    set.Slides.erase(set.Slides.begin() + index);
    if (set.CurrentSlide > set.SlideCount())
        set.CurrentSlide = set.SlideCount();
}

int16_t SortSlidesByPosition(SlideSet &set, int16_t followIndex)
{
    const bool follow = followIndex >= 1 && followIndex <= set.SlideCount();
    const float followed = follow ? set.Slides[followIndex].Position : 0.0f;
    // A stable merge sort: a whole line read from a file in reverse order takes
    // n log n moves, not n² swaps.
    std::stable_sort(set.Slides.begin() + 1, set.Slides.end(),
                     [](const Slide &a, const Slide &b) { return a.Position < b.Position; });
    return follow ? FindSlideAtPosition(set, followed) : 0;
}

int16_t FindSlideAtPosition(const SlideSet &set, float position)
{
    for (int i = 1; i <= set.SlideCount(); ++i)
        if (set.Slides[i].Position == position)
            return int16_t(i);
    return 0;
}

int16_t FindSlideShownAlike(const SlideSet &set, float position, int16_t except)
{
    char wanted[NumberText::kCapacity];
    const std::string_view wantedText(wanted, size_t(NumberText::General(wanted, position) - wanted));
    char shown[NumberText::kCapacity];
    for (int i = 1; i <= set.SlideCount(); ++i) {
        if (i == except)
            continue;
        const float other = set.Slides[i].Position;
        if (other == position
            || std::string_view(shown, size_t(NumberText::General(shown, other) - shown)) == wantedText)
            return int16_t(i);
    }
    return 0;
}

int16_t ComputeLargestSizeFound(const SlideSet &set)
{
    int16_t largest = 0;
    for (int i = 1; i <= set.SlideCount(); ++i)
        largest = std::max(largest, set.Slides[i].LargestClass);
    return largest;
}

double CentimetresToInches(double centimetres)
{
    return centimetres / 100.0 * kFeetPerMetre * 12.0;
}

double InchesToCentimetres(double inches)
{
    return inches * 100.0 / (kFeetPerMetre * 12.0);
}

QString ScanLengthText(const AnalysisParameters &params, const NumberFormat &format)
{
    const double shown = params.Metric ? double(params.ScanLength) : CentimetresToInches(params.ScanLength);
    return format.Format(shown, "0.0##");
}
