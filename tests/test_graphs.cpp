// Scales and corners worked out by hand; pixel checks where a fault shows.

#include "test_graphs_data.h"

#include "DrawingSurface.h"
#include "GraphBoxes.h"
#include "Histogram.h"
#include "LineGraphs.h"
#include "RangeChart.h"

#include "model/NumberText.h"

#include "PlotCommand.h"

#include <QtTest>

#include <cmath>

namespace {

const QColor kRed(255, 0, 0), kPale(255, 200, 200), kNote = GraphColours::NoControlMessage;
const QColor kMortalityColours[] = {GraphColours::Knockdown1h, GraphColours::Mortality12h, GraphColours::Mortality24h};

QImage makeImage(QSize size, int dpi = 96)
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    image.fill(Qt::white);
    return image;
}

QColor at(const QImage &image, int x, int y) { return QColor(image.pixel(x, y)); }
int px(double v) { return static_cast<int>(RoundHalfEven(v)); }

int countColour(const QImage &image, const QColor &colour, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area & image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += QColor(image.pixel(x, y)) == colour;
    return n;
}

SlideSet lineOf(ViewState &view, std::initializer_list<float> positions, int16_t k = 1, int16_t count = 0)
{
    SlideSet set;
    view = ViewState();
    for (float p : positions)
        PutDrops(set, view, AddSlide(set, p), k, count);
    set.CurrentSlide = 1;
    Refresh(set, view);
    return set;
}

// 10 drops of class 2 (28 µm) and 10 of class 4 (56 µm) on 0.1 cm²: slides at 0 and 10 m, or one.
SlideSet twoClassSet(ViewState &view, bool oneSlide = false)
{
    SlideSet set = lineOf(view, {0}, 2, 10);
    PutDrops(set, view, oneSlide ? 1 : AddSlide(set, 10), 4, 10);
    Refresh(set, view);
    return set;
}

template <class Draw>
auto drawn(QSize size, Draw draw, QColor background = Qt::white)
{
    QImage image = makeImage(size);
    image.fill(background);
    DrawingSurface surface(&image);
    const auto result = draw(surface);
    surface.End();
    return std::pair{image, result};
}

auto histogram(const SlideSet &set, const ViewState &view, QColor background = Qt::white)
{
    return drawn(kResultPicSize, [&](DrawingSurface &s) { return DrawResult(s, set, view); }, background);
}

auto lineData(const SlideSet &set, const ViewState &view, QSize size = kPicture1LargeSize)
{
    return drawn(size, [&](DrawingSurface &s) { return DrawLineData(s, set, view, LineDataOptions{true}); });
}

auto scatter(const SlideSet &set, const ViewState &view, float densityAxisMax)
{
    return drawn(kPicture1LargeSize, [&](DrawingSurface &s) {
        DrawMortalityVsDensity(s, set, view, densityAxisMax);
        return s.Scale();
    });
}

// Share of black pixels in column x between user heights y1 and y2.
double blackShare(const QImage &image, int x, const UserScale &scale, double y1, double y2)
{
    const int top = static_cast<int>(scale.ToPixelY(y2)), bottom = static_cast<int>(scale.ToPixelY(y1));
    return double(countColour(image, Qt::black, QRect(x, top, 1, bottom - top + 1))) / (bottom - top + 1);
}

// Pixels of a colour in the mortality panel, inside the frame and clear of its edges.
int mortalityPixels(const QImage &image, const LineDataResult &r, const QColor &colour)
{
    const UserScale &s = r.Scale;
    return countColour(image, colour, QRect(QPoint(int(s.ToPixelX(r.XMin)) + 3, int(s.ToPixelY(4)) + 3),
                                            QPoint(int(s.ToPixelX(r.XMax)) - 3, int(s.ToPixelY(3)) - 3)));
}

// Pixels of a colour inside a frame from (0, 0) to (right, 1) in user units, clear
// of the legend above it.
int framePixels(const QImage &image, const UserScale &s, const QColor &colour, double right = 1)
{
    return countColour(image, colour, QRect(QPoint(int(s.ToPixelX(0)) + 2, int(s.ToPixelY(1)) + 2),
                                            QPoint(int(s.ToPixelX(right)) - 2, int(s.ToPixelY(0)) - 2)));
}

} // namespace

class TestGraphs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutes(); }

    // Tick steps and histogram tops: a round number just above the largest value.
    void scales()
    {
        for (const auto &[maximum, step] : {std::pair{0.0f, 0.2}, {1.2f, 0.25}, {2.5f, 0.5}, {120.0f, 25.0},
                                            {1000.0f, 200.0}, // ln ratio just short of 3
                                            {-3.0f, 0.2}})    // negative is treated as empty
            QVERIFY2(std::abs(NiceTickStep(maximum) - step) < 1e-12, qPrintable(QString::number(maximum)));
        // Graph mode (1 VF, 2 CVF, 3 density, 4 NF), the largest value (MaxVF, MaxNF or class density), the top.
        for (const auto &[mode, largest, top] :
             {std::tuple{1, 0.25f, 0.27}, {1, 0.95f, 1.0}, {4, 0.5f, 0.55}, {3, 12.0f, 13.0}, {2, 0.3f, 1.0}}) {
            CompositeResults comp;
            comp.CompMaxVF = comp.CompMaxNF = comp.CompMaxDensity = largest;
            QCOMPARE(CompositeScaleTop(comp, mode), top);
        }
        QVERIFY(std::isfinite(SlideScaleTop(Slide(), 3))); // a slide swept over no area
    }

    void surfaceRules()
    {
        QImage image = makeImage(QSize(200, 100));
        DrawingSurface surface(&image);
        surface.ScaleLeft = -1, surface.ScaleTop = 1, surface.ScaleHeight = -1;
        surface.CurrentX = -0.5, surface.CurrentY = 0.9;
        const double h = surface.TextHeight(QStringLiteral("Label"));
        QVERIFY(h < 0); // lines go down an upward scale
        surface.Print(QStringLiteral("Label"));
        QCOMPARE(surface.CurrentX, 0.0); // x = 0 of the scale, not its left edge
        QCOMPARE(surface.CurrentY, 0.9 + h);
        // Turned text takes a whole font size: h = points × 20 / 15 at 96 dpi (15 twips a pixel).
        for (const auto &[points, dpi, pixels] : {std::tuple{8.5, 96, 11}, // 8.5 rounds to 8: 10.67
                                                  {9.5, 96, 13},          // 9.5 rounds to 10: 13.33
                                                  {12.0, 300, 50}}) {
            QImage page = makeImage(QSize(50, 50), dpi);
            DrawingSurface turned(&page);
            turned.FontName = QStringLiteral("MS Sans Serif");
            turned.FontSize = points;
            QCOMPARE(RotatedTextFont(turned).pixelSize(), pixels);
            RotatedText(turned, QStringLiteral("VMD"), 90, 10, 40);
            QCOMPARE(turned.FontSize, points); // the surface's own font is untouched
        }
        // A polygon on one vertical line (a one-class histogram) is drawn as that line.
        const QImage line = drawn(QSize(40, 40), [](DrawingSurface &s) {
            s.FillColor = Qt::blue;
            s.Polygon({QPoint(20, 5), QPoint(20, 30), QPoint(20, 30), QPoint(20, 5)});
            return true;
        }).first;
        QCOMPARE(countColour(line, Qt::black, QRect(20, 5, 1, 26)), 26);
        QCOMPARE(countColour(line, Qt::white), 40 * 40 - 26);
    }

    void histogramSegmentsScaleAndMarker()
    {
        ViewState view;
        SlideSet set = lineOf(view, {0}, 5, 10);
        QCOMPARE(histogram(set, view).second.Segments, // VF(5) = 1: zero width at x 285, 70 px up
                 (std::vector<SegmentCorners>{{QPoint(285, -2), QPoint(285, 68), QPoint(285, 68), QPoint(285, -2)}}));
        // Classes 2 and 4: VF 1/3 and 2/3, top = trunc(73.3) / 100 = 0.73; 28 µm of 56 → 142.
        set = twoClassSet(view, true);
        const auto [image, r] = histogram(set, view);
        QCOMPARE(r.Segments, (std::vector<SegmentCorners>{
                                 {QPoint(142, 36), QPoint(142, 68), QPoint(142, 68), QPoint(142, 36)},
                                 {QPoint(285, 4), QPoint(285, 68), QPoint(142, 68), QPoint(142, 36)}}));
        QCOMPARE(at(image, 250, 50), GraphColours::Histogram); // inside the segment 142 … 285
        QVERIFY(at(image, 200, 10) == Qt::white && at(image, 200, 69) == Qt::white); // above the slope, below the base
        QCOMPARE(countColour(image, GraphColours::Histogram, QRect(0, 0, 142, 70)), 0);
        // Cumulative: the first segment rises from the origin.
        view.GraphMode = 2;
        QCOMPARE(histogram(set, view).second.Segments, (std::vector<SegmentCorners>{
                                 {QPoint(142, 45), QPoint(142, 68), QPoint(0, 68), QPoint(0, 68)},
                                 {QPoint(285, -2), QPoint(285, 68), QPoint(142, 68), QPoint(142, 45)}}));
        // Density: 10 drops over 0.1 cm² in floats are 99.99999 per cm²: top 100, reached.
        view.GraphMode = 3;
        QCOMPARE(histogram(set, view).second.Segments.at(1)[0], QPoint(285, 68 - 70));

        // Per graph mode: the top (VF 2/3 → 0.73, 100 per cm², NF 0.8 → 0.88) and the red marker,
        // at the VMD over volume graphs, at the NMD over number ones; an empty slide clears the box.
        AddSlide(set, 20);
        for (const auto &[mode, median, top] :
             {std::tuple{1, 35.0, 0.73f}, {2, 35.0, 1.0f}, {3, 0.0, 100.0f}, {4, 17.5, 0.88f}, {5, 17.5, 1.0f}}) {
            view.GraphMode = mode;
            set.CurrentSlide = 1;
            Refresh(set, view);
            const auto [image, r] = histogram(set, view);
            QCOMPARE(r.Scale.Width, double(ClassDiameter(set.Params, 4))); // the largest class found
            QCOMPARE(float(r.Scale.Top), top);
            QCOMPARE(r.MarkerDrawn, median > 0); // density has none
            const int x = px(median * 285 / 56);
            if (median > 0) {
                QCOMPARE(r.MarkerPixelX, x);
                QCOMPARE(at(image, x, 0), kRed); // at the top of the box, where the area does not reach
            }
            QCOMPARE(countColour(image, kRed, QRect(x, 0, 1, 70)), countColour(image, kRed)); // nowhere else
            set.CurrentSlide = 2;
            Refresh(set, view);
            const auto [cleared, none] = histogram(set, view, Qt::green);
            QVERIFY(!none.Drawn && countColour(cleared, Qt::white) == cleared.width() * cleared.height());
        }
    }

    // Filled in one batch, the picture must equal filling each segment on its own; at
    // 2 000 classes most segments share a pixel column with their neighbours.
    void segmentsDrawnTogetherAsOneByOne_data()
    {
        QTest::addColumn<int>("classes");
        QTest::newRow("300") << 300;
        QTest::newRow("2000") << 2000;
    }
    void segmentsDrawnTogetherAsOneByOne()
    {
        QFETCH(int, classes);
        ViewState view;
        SlideSet set;
        set.Params.MaxSizeEPD = int16_t(classes);
        int16_t largest = 0;
        ResizeClassArrays(set, largest);
        set.CurrentSlide = AddSlide(set, 0);
        for (int16_t k = 1; k <= classes; k += 1 + k % 3)
            PutDrops(set, view, 1, k, int16_t(1 + (k * 7919) % 23));
        Refresh(set, view);
        for (bool composite : {false, true})
            for (view.GraphMode = 1; view.GraphMode <= 5; ++view.GraphMode) {
                view.CompositeChecked = composite;
                const auto [batched, r] = histogram(set, view);
                QVERIFY(r.Segments.size() > 100);
                const QImage oneByOne = drawn(kResultPicSize, [&](DrawingSurface &s) {
                    const HistogramResult again = DrawResult(s, set, view);
                    s.Cls();
                    if (again.MarkerDrawn) {
                        const double x = view.GraphMode <= 2 ? view.CurrentVMD : view.CurrentNMD;
                        s.Line(x, 0, x, 1.1 * std::abs(s.ScaleHeight), GraphColours::Marker);
                    }
                    for (const SegmentCorners &c : again.Segments) {
                        s.FillColor = GraphColours::Histogram;
                        s.Polygon(std::vector<QPoint>(c.begin(), c.end()));
                    }
                    return true;
                }).first;
                QCOMPARE(oneByOne, batched);
            }
    }

    void realisticLineGraphs()
    {
        ViewState view;
        SlideSet set = MakeRealisticLine(view);
        const auto [image, r] = lineData(set, view);
        QVERIFY(r.Scale.Left == double(-54.0f) && r.Scale.Width == 108.0);
        // The spray line: black through all four panels, three pixels wide only.
        const int x0 = px(r.Scale.ToPixelX(0));
        QVERIFY(blackShare(image, x0, r.Scale, 0, 4) > 0.8);
        QVERIFY(blackShare(image, x0 - 3, r.Scale, 0.1, 3.9) < 0.2);
        // Cards: 720 px for 108 m, so 90 m is 600 px, / 10 − 3 → 57, capped at 20.
        QCOMPARE(r.Cards.size(), size_t(10));
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const SlideCard &card = r.Cards[i - 1];
            QCOMPARE(card.Rect, QRect(card.Rect.left(), px(r.Scale.ToPixelY(0)) + 25, 20, 25));
            QCOMPARE(card.BackColor, set.Slides[i].Cage.NumInCage > 0 ? QColor(Qt::white) : kPale);
        }
        // A box too short for full cards below the axis gets smaller cards inside it.
        for (const SlideCard &card : lineData(set, view, QSize(640, 395)).second.Cards)
            QVERIFY(card.Rect.bottom() < 395 && card.Rect.height() >= card.Rect.width());
        // The scatter: eight slides with cages, three filled circles each.
        const QImage points = scatter(set, view, r.DensityAxisMax).first;
        for (const QColor &c : kMortalityColours)
            QVERIFY(countColour(points, c) > 8 * 10);

        // Without control data: pale message, no mortality, spray line stops below.
        set.ControlData = MortalityCounts();
        Refresh(set, view);
        const auto [bare, b] = lineData(set, view);
        for (const QColor &c : kMortalityColours)
            QCOMPARE(mortalityPixels(bare, b, c), 0);
        QVERIFY(mortalityPixels(bare, b, kNote) > 100);
        QCOMPARE(at(bare, x0, int(b.Scale.ToPixelY(3.2))), QColor(Qt::white));
        const auto [noPoints, noPointsScale] = scatter(set, view, r.DensityAxisMax);
        QCOMPARE(framePixels(noPoints, noPointsScale, GraphColours::Knockdown1h), 0);
    }

    void lineDataAwkwardLines()
    {
        // Every slide at 0 (a file may hold it): a range of ±1, the spray line centred.
        ViewState view;
        SlideSet set = lineOf(view, {0, 0}, 4, 10);
        auto [image, r] = lineData(set, view);
        QVERIFY(r.XMin == -1.0 && r.XMax == 1.0);
        QVERIFY(blackShare(image, px(r.Scale.ToPixelX(0)), r.Scale, 0, 3) > 0.6);
        // One slide: no segment to draw, so each series is a dot at the slide's point.
        set = lineOf(view, {0}, 4, 10);
        set.Slides[1].Cage = MortalityCounts{20, 5, 8, 10};
        set.ControlData = MortalityCounts{20, 0, 1, 2};
        Refresh(set, view);
        std::tie(image, r) = lineData(set, view);
        const QPoint vmdPoint(px(r.Scale.ToPixelX(0)), px(r.Scale.ToPixelY(2 + set.Slides[1].VMD / r.VMDAxisMax)));
        QVERIFY(countColour(image, GraphColours::DataLine, QRect(vmdPoint - QPoint(3, 3), QSize(7, 7))) > 0);
        for (const QColor &c : kMortalityColours) // a dot, not a line
            QVERIFY(mortalityPixels(image, r, c) > 0 && mortalityPixels(image, r, c) < 60);
        // An empty density range in the scatter: the frame, x 0 … 1 over −0.1 … 1.1, no points.
        const auto [flat, scale] = scatter(set, view, 0.0f);
        QCOMPARE(float(scale.ToPixelX(0)), float(kPicture1LargeSize.width() / 12.0));
        QVERIFY(at(flat, 320, px(scale.ToPixelY(0))) == Qt::black && at(flat, 320, px(scale.ToPixelY(1))) == Qt::black);
        QCOMPARE(framePixels(flat, scale, GraphColours::Knockdown1h), 0);
        // Slides without drops; positions far beyond any real line, which must not overflow pixel arithmetic.
        r = lineData(lineOf(view, {-5, 5}), view).second;
        QVERIFY(r.Drawn && r.DensityAxisMax == 0.0f);
        r = lineData(lineOf(view, {-3.0e38f, 3.0e38f}, 3, 5), view).second;
        QVERIFY(r.Drawn && r.Cards.size() == 2);
    }

    // Range 3's first bar (x 6 … 7) is green up to y = 0.5, edged black, white above.
    void rangeChartBarHeights()
    {
        ViewState view;
        RangeStatistics stats;
        auto chart = [&](const SlideSet &set) {
            return drawn(kPicture1LargeSize, [&](DrawingSurface &s) {
                stats = DrawRangeChart(s, set, view);
                return s.Scale();
            });
        };
        const auto [image, scale] = chart(twoClassSet(view));
        QVERIFY(stats.SizeOnSlide[2] == 0.5f && stats.SizeOnSlide[3] == 0.5f);
        const int x = static_cast<int>(scale.ToPixelX(6.5));
        QCOMPARE(at(image, x, int(scale.ToPixelY(0.45))), GraphColours::Knockdown1h);
        QCOMPARE(at(image, x, px(scale.ToPixelY(0.5))), QColor(Qt::black));
        QCOMPARE(at(image, x, int(scale.ToPixelY(0.55))), QColor(Qt::white));
        // Slides without drops: every share 0, no bars.
        const auto [empty, emptyScale] = chart(lineOf(view, {0, 3}));
        QCOMPARE(framePixels(empty, emptyScale, GraphColours::Knockdown1h, 15), 0);
        QVERIFY(std::all_of(std::begin(stats.SizeOnSlide), std::end(stats.SizeOnSlide), [](float v) { return v == 0; }));
    }

    // Each graph from the file, at its box size or the one asked for; a refused command writes nothing.
    void plotCommand()
    {
        QTemporaryDir dir;
        const QString realistic = qEnvironmentVariable("NIMBREL_TEST_DATA") + "/realistic-line.csv";
        const QString out = dir.filePath(QStringLiteral("x.png"));
        for (const auto &[options, size, mustShow] :
             {std::tuple{QStringList{"--graph", "histogram", "--composite", "--mode", "5"}, kResultPicSize, GraphColours::Histogram},
              {QStringList{"--graph", "line-data"}, kPicture1LargeSize, GraphColours::Mortality24h},
              {QStringList{"--graph", "mortality-density", "--size", "800x600"}, QSize(800, 600), GraphColours::Knockdown1h},
              {QStringList{"--graph", "range-stats"}, kPicture1LargeSize, GraphColours::Mortality12h}}) {
            QCOMPARE(RunPlotCommand(QStringList{realistic} + options + QStringList{"-o", out}), 0);
            const QImage image(out);
            QCOMPARE(image.size(), size);
            QVERIFY2(countColour(image, mustShow) > 20, qPrintable(options.join(' ')));
        }
        QVERIFY(QFile::remove(out));
        for (const auto &[words, exit] : {std::pair{QStringList{realistic, "--graph", "histogram", "--mode", "6"}, 2},
                                          {QStringList{realistic, "--graph", "histogram", "--slide", "11"}, 1},
                                          {QStringList{"--graph", "line-data"}, 2}}) {
            QCOMPARE(RunPlotCommand(words + QStringList{"-o", out}), exit);
            QVERIFY(!QFile::exists(out));
        }
        QCOMPARE(RunPlotCommand({realistic, "--graph", "line-data", "-o", dir.filePath("no/such/folder/x.png")}), 1);
    }
};

QTEST_MAIN(TestGraphs)
#include "test_graphs.moc"
