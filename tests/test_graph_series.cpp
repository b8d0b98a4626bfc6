// A swapped colour or a line at the other median looks plausible on screen.
#include "test_graphs_data.h"

#include "graphs/DrawingSurface.h"
#include "graphs/GraphBoxes.h"
#include "graphs/LineGraphs.h"
#include "graphs/RangeChart.h"
#include "graphs/SeriesLook.h"

#include <QImage>
#include <QtTest>
#include <cmath>

namespace {

template <class Draw>
QImage drawn(Draw draw, QSize size = kPicture1LargeSize)
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780), image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    DrawingSurface surface(&image);
    draw(surface);
    surface.End();
    return image;
}

QColor at(const QImage &image, double x, double y) { return image.pixel(int(std::lround(x)), int(std::lround(y))); }

int rowPixels(const QImage &image, const UserScale &scale, double y, const QColor &colour)
{
    const int row = int(std::lround(scale.ToPixelY(y)));
    int n = 0;
    for (int r = row - 1; r <= row + 1; ++r)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, r)) == colour;
    return n;
}

} // namespace

class TestGraphSeries : public QObject
{
    Q_OBJECT
    ViewState view;
    SlideSet set;

private slots:
    void init() { set = MakeRealisticLine(view); }

    void mortalitySeriesColours()
    {
        LineDataResult r;
        const QImage image = drawn([&](DrawingSurface &s) { r = DrawLineData(s, set, view); });
        int checked = 0;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (!s.Mortality12h || !s.Mortality24h || !s.Knockdown1h || s.TotalDrops == 0)
                continue;
            const double y[3] = {r.Scale.ToPixelY(3 + *s.Mortality12h), r.Scale.ToPixelY(3 + *s.Mortality24h),
                                 r.Scale.ToPixelY(3 + *s.Knockdown1h)};
            if (std::abs(y[0] - y[1]) < 5 || std::abs(y[0] - y[2]) < 5 || std::abs(y[1] - y[2]) < 5)
                continue;
            const QColor want[3] = {GraphColours::Mortality12h, GraphColours::Mortality24h, GraphColours::Knockdown1h};
            for (int k = 0; k < 3; ++k)
                QCOMPARE(at(image, r.Scale.ToPixelX(s.Position), y[k]).name(), want[k].name());
            ++checked;
        }
        QVERIFY(checked >= 2);
    }

    void referenceLinesAtTheirMedians()
    {
        LineDataResult r;
        const QImage image = drawn([&](DrawingSurface &s) { r = DrawLineData(s, set, view); });
        const CompositeResults &c = view.Composite;
        const QColor red = GraphColours::Reference;
        const double vmdY = 2 + c.CompVMD / r.VMDAxisMax;
        const int along = image.width() / 4;
        for (double y : {vmdY, double(1 + c.CompNMD / r.NMDAxisMax), double(c.AveDropDensity / r.DensityAxisMax)})
            QCOMPARE_GT(rowPixels(image, r.Scale, y, red), along);
        const double misplaced = 2 + c.CompNMD / r.VMDAxisMax;
        QVERIFY(std::abs(r.Scale.ToPixelY(misplaced) - r.Scale.ToPixelY(vmdY)) > 4); // NMD's height in the VMD panel
        QCOMPARE_LT(rowPixels(image, r.Scale, misplaced, red), along);
    }

    // On a grey screen the three series of a caged slide still differ: each
    // point's marker has its own shape (compared as masks of dark pixels).
    void mortalityMarkersDifferInGrey()
    {
        UserScale scale;
        const float densityMax = ComputeLineRange(set).DensityAxisMax;
        const QImage grey = drawn([&](DrawingSurface &s) {
                                DrawMortalityVsDensity(s, set, view, densityMax);
                                scale = s.Scale();
                            }).convertToFormat(QImage::Format_Grayscale8);
        auto mask = [&](double x, double y) {
            QList<bool> dark;
            const int cx = int(std::lround(scale.ToPixelX(x))), cy = int(std::lround(scale.ToPixelY(y)));
            for (int dy = -6; dy <= 6; ++dy)
                for (int dx = -6; dx <= 6; ++dx)
                    dark << (qGray(grey.pixel(cx + dx, cy + dy)) < 200);
            return dark;
        };
        auto apart = [](const QList<bool> &a, const QList<bool> &b) {
            int n = 0;
            for (qsizetype i = 0; i < a.size(); ++i)
                n += a[i] != b[i];
            return n;
        };
        int checked = 0;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (!s.Mortality12h || std::abs(*s.Knockdown1h - *s.Mortality12h) < 0.06 ||
                std::abs(*s.Mortality12h - *s.Mortality24h) < 0.06)
                continue;
            const double x = s.DropDensity / densityMax;
            const QList<bool> m[3] = {mask(x, *s.Knockdown1h), mask(x, *s.Mortality12h), mask(x, *s.Mortality24h)};
            QVERIFY(m[0].count(true) > 20);
            QCOMPARE_GE(apart(m[0], m[1]), 6);
            QCOMPARE_GE(apart(m[1], m[2]), 6);
            QCOMPARE_GE(apart(m[0], m[2]), 6);
            ++checked;
        }
        QVERIFY(checked >= 3);
    }

    // Per range: % size on slide, % mass in cloud, % size in cloud.
    void rangeBarsInOrder()
    {
        RangeStatistics stats;
        UserScale scale;
        const QImage image = drawn([&](DrawingSurface &s) {
            stats = DrawRangeChart(s, set, view);
            scale = s.Scale();
        });
        const QColor colours[3] = {GraphColours::Knockdown1h, GraphColours::Mortality12h, GraphColours::Mortality24h};
        int checked = 0;
        for (int k = 1; k <= kRangeCount; ++k) {
            const float values[3] = {stats.SizeOnSlide[k - 1], stats.MassInCloud[k - 1], stats.SizeInCloud[k - 1]};
            if (std::abs(scale.ToPixelY(values[1]) - scale.ToPixelY(values[2])) < 8 || std::min(values[1], values[2]) < 0.05f)
                continue;
            // The bar's colour shows between its hatching lines, under its top only.
            for (int b = 0; b < 3; ++b) {
                const double x = scale.ToPixelX(3 * k - 2.5 + b), top = scale.ToPixelY(values[b]);
                auto shown = [&](double y0) {
                    int n = 0;
                    for (int dy = 0; dy < 5; ++dy)
                        for (int dx = -2; dx <= 2; ++dx)
                            n += at(image, x + dx, y0 + dy) == colours[b];
                    return n;
                };
                QVERIFY2(shown(top + 2) >= 8, qPrintable(QStringLiteral("range %1 bar %2").arg(k).arg(b)));
                QCOMPARE(shown(top - 7), 0);
            }
            ++checked;
        }
        QVERIFY(checked >= 1);
    }

    // The small-screen box leaves too little margin for a left axis title beside
    // its tick labels: the labels it would cross are left out, the others stay.
    // Measured in the faces the window draws with.
    void leftTitleNeverOverprintsTickLabels_data()
    {
        QTest::addColumn<bool>("rangeChart");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("small");
        QTest::addColumn<bool>("middleLabels"); // 40 % and 60 % shown
        QTest::newRow("range chart, small box") << true << QSize(535, 310) << true << false;
        QTest::newRow("range chart, large box") << true << QSize(641, 396) << false << true;
        QTest::newRow("range chart, report width") << true << kPicture1LargeSize << false << true;
        QTest::newRow("mortality, small box") << false << QSize(535, 310) << true << false;
        QTest::newRow("mortality, large box") << false << QSize(641, 396) << false << true;
    }
    void leftTitleNeverOverprintsTickLabels()
    {
        QFETCH(bool, rangeChart);
        QFETCH(QSize, size);
        QFETCH(bool, small);
        QFETCH(bool, middleLabels);
        RegisterFontSubstitutes();
        view.PlotScaleTop = small ? 4.2 : 4.15;
        view.PlotScaleHeight = small ? -4.95 : -4.7;
        UserScale scale;
        const QImage image = drawn(
            [&](DrawingSurface &s) {
                if (rangeChart)
                    DrawRangeChart(s, set, view);
                else
                    DrawMortalityVsDensity(s, set, view, 2000.0f);
                scale = s.Scale();
            },
            size);
        // The "%" of each label: right of where any title may stand, left of the tick.
        const int right = int(std::lround(scale.ToPixelX(0))) - 8;
        const auto labelShown = [&](double y) {
            const int row = int(std::lround(scale.ToPixelY(y)));
            for (int r = row - 3; r <= row + 3; ++r)
                for (int x = right - 8; x < right; ++x)
                    if (QColor(image.pixel(x, r)) != QColor(Qt::white))
                        return true;
            return false;
        };
        QVERIFY(labelShown(0.2));
        QVERIFY(labelShown(0.8));
        QVERIFY(labelShown(1.0));
        QCOMPARE(labelShown(0.4), middleLabels);
        QCOMPARE(labelShown(0.6), middleLabels);
    }
};

QTEST_MAIN(TestGraphSeries)
#include "test_graph_series.moc"
