#pragma once

#include "CollectionEfficiency.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class NumberFormat;

// Cage counts of one bioassay cage. NumInCage > 0 means mortality data are present.
struct MortalityCounts
{
    int16_t NumInCage = 0;
    int16_t Down1h = 0;
    int16_t Dead12h = 0;
    int16_t Dead24h = 0;

    bool operator==(const MortalityCounts &) const = default;
};

// One sampled slide. Per-class arrays run over classes 0 … MaxSizeEPD; class 0
// never holds a drop.
struct Slide
{
    float Area = 0;      // scanned area, cm²
    float Sweeps = 0;
    float Position = 0;  // along the sampling line, m or ft as entered
    std::vector<int16_t> Counts;
    std::vector<float> VF, CVF, NF, CNF; // in-cloud fractions and their cumulative sums
    int32_t TotalDrops = 0;
    // Σ of the in-cloud weights of the counts (CloudWeights): Σ Counts(k) / k² and
    // Σ Counts(k) × k under "Diameter ²", the latter a whole number.
    float NumberWeightSum = 0;
    double VolumeWeightSum = 0;
    float VMD = 0;
    float NMD = 0;
    float DropDensity = 0;       // drops per cm² on the slide
    // Empty when not computed: no cage data, no control data, or (for the two
    // corrected mortalities) every control insect dead.
    std::optional<float> Knockdown1h;
    std::optional<float> Mortality12h;
    std::optional<float> Mortality24h;
    float MaxVF = 0;
    float MaxNF = 0;
    int16_t MaxCount = 0;
    int16_t LargestClass = 0;
    MortalityCounts Cage;

    bool operator==(const Slide &) const = default;
};

// The numeric analysis parameters; they outlast a run as settings.
struct AnalysisParameters
{
    int16_t MaxSizeEPD = 20;    // largest size class = EPD across the reticule
    float MicronsPerEPD = 25;
    float ScanLength = 2;       // always centimetres
    float SpreadFactor = 0.56f; // stain size to drop diameter
    bool Metric = true;

    bool operator==(const AnalysisParameters &) const = default;
};

// The descriptive parameters, kept exactly as typed. An empty text means the
// field was left empty.
struct ParameterTexts
{
    QString Agency;
    QString Sprayer;
    QString ReleaseHeight;
    QString Date;
    QString Time;
    QString MetHeight;
    QString AirTemp;
    QString WindSpeed;
    QString WindDirection;
    QString RelHumidity;
    QString Product;
    QString SprayRate;

    bool operator==(const ParameterTexts &) const = default;
};

// The one document of the program.
struct SlideSet
{
    AnalysisParameters Params;
    ParameterTexts Texts;
    std::vector<Slide> Slides;  // [0] is a placeholder: reading it with no slide on view yields zeros
    int16_t CurrentSlide = 0;   // 0 when no slide is on view
    MortalityCounts ControlData;
    // How the in-cloud figures weight the counts. Not part of the file: the
    // window takes it from the operator's choice and the settings.
    CloudWeighting Cloud;

    SlideSet();
    int16_t SlideCount() const { return static_cast<int16_t>(Slides.size() - 1); }
    Slide &Current() { return Slides[CurrentSlide]; }
    const Slide &Current() const { return Slides[CurrentSlide]; }
};

inline constexpr int kRangeCount = 5;
inline constexpr int16_t kMaxCounter = 32767;

// Size-range figures, ranges 0 … 4 standing for "=< 7", "7 -- 22", "22 -- 50",
// "> 50" and "> 80" µm.
struct RangeStatistics
{
    std::array<int32_t, kRangeCount> Count{};
    std::array<float, kRangeCount> SizeOnSlide{};
    std::array<float, kRangeCount> MassInCloud{};
    std::array<float, kRangeCount> SizeInCloud{};
};

// The line pooled into one distribution, per unit area (a snapshot of the last
// CalcComposite).
struct CompositeResults
{
    std::vector<float> CompDensity, CompVF, CompCVF, CompNF, CompCNF;
    float CompVMD = 0;
    float CompNMD = 0;
    float AveDropDensity = 0;
    float CompMaxVF = 0;
    float CompMaxNF = 0;
    float CompMaxDensity = 0;
};

// --- Slide set operations ------------------------------------------------------

// Diameter in µm that size class k stands for.
float ClassDiameter(const AnalysisParameters &params, int k);
// The same in double, for the figure shown to a person (count table, file): the
// float would round 12.5 × 0.7 up to 8.75 and show "8.8".
double ShownClassDiameter(const AnalysisParameters &params, int k);

// Dmax of the size ranges: the reticule width in µm, rounded half to even.
double RangeDmax(const AnalysisParameters &params);

// Area = Sweeps × ScanLength × MaxSizeEPD × MicronsPerEPD × 0.0001 cm².
void ComputeSlideArea(Slide &slide, const AnalysisParameters &params);

// Appends a fresh slide (Sweeps 1, area computed, arrays sized to the classes).
// Returns its index, or 0 when the set already holds the most slides a 16-bit
// counter allows.
int16_t AddSlide(SlideSet &set, float position);

// After MaxSizeEPD changed: resize every record's class arrays (the placeholder
// too), keep the remaining classes, recompute every slide's area and statistics.
void ResizeClassArrays(SlideSet &set, int16_t &largestSizeFound);

// After an optics change: every slide's area, density and distribution anew, and
// the largest size class seen brought within the reticule.
void RecomputeSlides(SlideSet &set, int16_t &largestSizeFound);

// Empties the set back to the placeholder record (parameters stay).
void ClearSlides(SlideSet &set);

// Removes slide `index` (1-based); later slides move down by one.
void RemoveSlide(SlideSet &set, int16_t index);

// Sorts by ascending position; equal positions keep their order. Returns the
// new index of the slide that was at `followIndex` (0 when followIndex is 0).
int16_t SortSlidesByPosition(SlideSet &set, int16_t followIndex);

// Index of the slide at exactly this position, or 0.
int16_t FindSlideAtPosition(const SlideSet &set, float position);

// Index of a slide other than `except` whose position is `position` or reads the
// same in the general number form (1 and 1.0000001 both read "1"), or 0. Two
// such slides would carry tabs and fields the operator cannot tell apart.
int16_t FindSlideShownAlike(const SlideSet &set, float position, int16_t except = 0);

// The largest LargestClass over slides 1 … SlideCount (0 without slides).
int16_t ComputeLargestSizeFound(const SlideSet &set);

// Scan length as the operator sees it: cm with "0.0##", or inches in U.S. units.
QString ScanLengthText(const AnalysisParameters &params, const NumberFormat &format);
double InchesToCentimetres(double inches);
double CentimetresToInches(double centimetres);

// --- Drop statistics ----------------------------------------------------------

enum class CountResult {
    Ok,
    ClassOutOfRange, // size class outside 0 … MaxSizeEPD, or no such slide
    Overflow         // the change would take a 16- or 32-bit counter past its range
};

// Stores Counts(sizeClass) = count on the slide (0 = the current one) and
// recomputes every derived drop figure of that slide. Class 0 with count 0
// recomputes without changing anything. largestSizeFound only grows here.
// A refused change leaves the slide exactly as it was.
CountResult SetDropCount(SlideSet &set, int16_t sizeClass, int16_t count, int16_t slideIndex,
                         int16_t &largestSizeFound);

// One more drop of sizeClass on the slide; refused (Overflow) at 32767.
CountResult AddDrop(SlideSet &set, int16_t sizeClass, int16_t slideIndex, int16_t &largestSizeFound);

// Size-range figures of one slide (0 = the current one). A slide without drops
// gets zeros throughout.
void ComputeRangeStats(RangeStatistics &result, const SlideSet &set, int16_t slideIndex);

// --- Composite ----------------------------------------------------------------

// Pools every slide per unit area into `result` (everything recomputed).
void CalcComposite(const SlideSet &set, CompositeResults &result);

// Fills SizeOnSlide, MassInCloud and SizeInCloud from the composite arrays;
// Count is left as it was. Writes nothing when the composite holds no drops.
void ComputeCompositeRangeStats(RangeStatistics &result, const SlideSet &set,
                                const CompositeResults &composite);

// --- Mortality ----------------------------------------------------------------

// Knockdown and Abbott-corrected mortality of one slide against the control cage.
void ComputeMortality(Slide &slide, const MortalityCounts &control);

// Every slide's knockdown and corrected mortality, after the control cage changed.
void RecomputeMortality(SlideSet &set);
