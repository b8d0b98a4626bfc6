// Which series wears which colour and where each line lies, on the realistic
// line: a swapped colour or a line drawn at the other median looks plausible on
// screen, so it is checked pixel by pixel here.
#include "test_graphs_data.h"

#include "graphs/DrawingSurface.h"
#include "graphs/GraphBoxes.h"
#include "graphs/LineGraphs.h"
#include "graphs/RangeChart.h"

#include <QImage>
#include <QtTest>

#include <cmath>

namespace {

template <class Draw>
QImage drawn(Draw draw)
{
    QImage image(kPicture1LargeSize, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    DrawingSurface surface(&image);
    draw(surface);
    surface.End();
    return image;
}

QColor at(const QImage &image, double x, double y)
{
    return QColor(image.pixel(int(std::lround(x)), int(std::lround(y))));
}

// Pixels of `colour` in the rows around user height y.
int rowPixels(const QImage &image, const UserScale &scale, double y, const QColor &colour)
{
    const int row = int(std::lround(scale.ToPixelY(y)));
    int n = 0;
    for (int r = row - 1; r <= row + 1; ++r)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, r)) == colour;
    return n;
}

QString describe(const QColor &c) { return c.name(); }

} // namespace

class TestGraphSeries : public QObject
{
    Q_OBJECT
    ViewState view;
    SlideSet set;

private slots:
    void init() { set = MakeRealisticLine(view); }

    // Each slide's 12 hr and 24 hr points lie on the line of their own colour.
    void mortalitySeriesColours()
    {
        LineDataResult r;
        const QImage image = drawn([&](DrawingSurface &s) { r = DrawLineData(s, set, view); });
        int checked = 0;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (!s.Mortality12h || !s.Mortality24h || !s.Knockdown1h || s.TotalDrops == 0)
                continue;
            const double y12 = r.Scale.ToPixelY(3 + *s.Mortality12h), y24 = r.Scale.ToPixelY(3 + *s.Mortality24h);
            const double yKnock = r.Scale.ToPixelY(3 + *s.Knockdown1h);
            if (std::abs(y12 - y24) < 5 || std::abs(y12 - yKnock) < 5 || std::abs(y24 - yKnock) < 5)
                continue;
            const double x = r.Scale.ToPixelX(s.Position);
            QCOMPARE(describe(at(image, x, y12)), describe(GraphColours::Mortality12h));
            QCOMPARE(describe(at(image, x, y24)), describe(GraphColours::Mortality24h));
            QCOMPARE(describe(at(image, x, yKnock)), describe(GraphColours::Knockdown1h));
            ++checked;
        }
        QVERIFY2(checked >= 2, qPrintable(QStringLiteral("%1 slides apart enough to tell").arg(checked)));
    }

    // The dotted reference lines: composite VMD in the VMD panel, composite NMD
    // in the NMD panel, average density in the density panel.
    void referenceLinesAtTheirMedians()
    {
        LineDataResult r;
        const QImage image = drawn([&](DrawingSurface &s) { r = DrawLineData(s, set, view); });
        const CompositeResults &c = view.Composite;
        const QColor red = GraphColours::Reference;
        const double vmdY = 2 + c.CompVMD / r.VMDAxisMax, nmdY = 1 + c.CompNMD / r.NMDAxisMax;
        const double densityY = c.AveDropDensity / r.DensityAxisMax;
        const int along = image.width() / 4;
        QCOMPARE_GT(rowPixels(image, r.Scale, vmdY, red), along);
        QCOMPARE_GT(rowPixels(image, r.Scale, nmdY, red), along);
        QCOMPARE_GT(rowPixels(image, r.Scale, densityY, red), along);
        // The VMD panel holds no line at the height the NMD would give it.
        const double misplaced = 2 + c.CompNMD / r.VMDAxisMax;
        QVERIFY(std::abs(r.Scale.ToPixelY(misplaced) - r.Scale.ToPixelY(vmdY)) > 4);
        QCOMPARE_LT(rowPixels(image, r.Scale, misplaced, red), along);
    }

    // Per size range three bars: % size on the slide, % mass in the cloud and %
    // size in the cloud, each in its colour and as high as its own figure.
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
            const double pixelsApart = std::abs(scale.ToPixelY(values[1]) - scale.ToPixelY(values[2]));
            if (pixelsApart < 8 || std::min(values[1], values[2]) < 0.05f)
                continue;
            for (int b = 0; b < 3; ++b) {
                const double x = scale.ToPixelX(3 * k - 2.5 + b);
                const double top = scale.ToPixelY(values[b]);
                QCOMPARE(describe(at(image, x, top + 3)), describe(colours[b]));
                QVERIFY(at(image, x, top - 3) != colours[b]);
            }
            ++checked;
        }
        QVERIFY2(checked >= 1, "no range with cloud figures apart enough to tell");
    }
};

QTEST_MAIN(TestGraphSeries)
#include "test_graph_series.moc"
