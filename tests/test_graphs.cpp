// The drawing surface and the graphs: scales and corners worked out by hand from
// the drawing rules, and pixel checks on rendered images where a fault would show.

#include "test_graphs_data.h"

#include "DrawingSurface.h"
#include "GraphBoxes.h"
#include "Histogram.h"
#include "LineGraphs.h"
#include "RangeChart.h"

#include "files/SlideSetFile.h"
#include "model/NumberText.h"

#include <QFontInfo>
#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

QImage makeImage(QSize size, int dpi = 96)
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    image.fill(Qt::white);
    return image;
}

QColor at(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// Pixels of an exact colour inside a rectangle of the image.
int countColour(const QImage &image, const QColor &colour, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                ++n;
    return n;
}

// Two slides of 0.1 cm²: 10 drops of class 2 on the first, 10 of class 4 on the
// second (28 and 56 µm with the default optics).
SlideSet twoClassSet(ViewState &view, bool oneSlide = false)
{
    SlideSet set;
    view = ViewState();
    const int16_t a = AddSlide(set, 0);
    PutDrops(set, view, a, 2, 10);
    if (oneSlide) {
        PutDrops(set, view, a, 4, 10);
    } else {
        const int16_t b = AddSlide(set, 10);
        PutDrops(set, view, b, 4, 10);
    }
    set.CurrentSlide = 1;
    Refresh(set, view);
    return set;
}

struct Rendered
{
    QImage image;
    HistogramResult result;
};

Rendered renderHistogram(const SlideSet &set, const ViewState &view)
{
    Rendered r{makeImage(kResultPicSize), {}};
    DrawingSurface surface(&r.image);
    r.result = DrawResult(surface, set, view);
    return r;
}

} // namespace

class TestGraphs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutes(); }

    void niceTickStep_data();
    void niceTickStep();
    void fontNamesMapToInstalledFaces();
    void rotatedTextRoundsFontSize_data();
    void rotatedTextRoundsFontSize();
    void scaleConversionsFollowTheDevice();
    void printReturnsToUserZero();
    void polygonOnOneVerticalLine();

    void histogramScaleTop_data();
    void histogramScaleTop();
    void drawResultLeavesScale();
    void segmentCornersOneClass();
    void segmentCornersSeveralClasses();
    void markerAtMedian_data();
    void markerAtMedian();
    void fillInsideSegmentOnly();
    void slideWithoutDropsLeavesBoxClear();
    void compositeStartsWithVerticalEdge();
    void compositeOfOneSlide();
    void toolTipText();

    void lineDataMaximaAndCards();
    void lineDataSprayLineAtZero();
    void lineDataOneSideOfLine();
    void lineDataAllAtZero();
    void lineDataOneSlideShowsDots();
    void lineDataWithoutControlData();
    void lineDataMissingMortalityBreaksNoLine();
    void lineDataNoDrops();
    void lineDataExtremePositions();
    void pdfPageUsesItsOwnResolution();
    void mortalityVsDensityPoints();
    void mortalityVsDensityWithoutDensityScale();
    void rangeChartBarHeights();
    void rangeChartWithoutDrops();

    void gallery();
};

void TestGraphs::niceTickStep_data()
{
    QTest::addColumn<float>("maximum");
    QTest::addColumn<double>("step");
    QTest::newRow("zero") << 0.0f << 0.2;
    QTest::newRow("1.2") << 1.2f << 0.25;
    QTest::newRow("2.5") << 2.5f << 0.5;
    QTest::newRow("5.9") << 5.9f << 1.0;
    QTest::newRow("7") << 7.0f << 2.0;
    QTest::newRow("120") << 120.0f << 25.0;
    QTest::newRow("0.45") << 0.45f << 0.1;
    // ln(1000)/ln(10) falls just short of 3: the step of 100s, doubled.
    QTest::newRow("1000 gives 200") << 1000.0f << 200.0;
    QTest::newRow("negative is treated as empty") << -3.0f << 0.2;
}

void TestGraphs::niceTickStep()
{
    QFETCH(float, maximum);
    QFETCH(double, step);
    QVERIFY2(std::abs(NiceTickStep(maximum) - step) < 1e-12, qPrintable(QString::number(NiceTickStep(maximum))));
}

void TestGraphs::fontNamesMapToInstalledFaces()
{
    const QString arial = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    QVERIFY2(arial.contains(QStringLiteral("Liberation Sans")) || arial.contains(QStringLiteral("DejaVu Sans")),
             qPrintable(arial));
    for (const char *name : {"MS Sans Serif", "Small Fonts"}) {
        const QString family = QFontInfo(QFont(QString::fromLatin1(name))).family();
        QVERIFY2(family.contains(QStringLiteral("DejaVu Sans")) || family.contains(QStringLiteral("Liberation Sans")),
                 qPrintable(family));
    }
}

void TestGraphs::rotatedTextRoundsFontSize_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("pixels");
    // 96 dpi: 15 twips per pixel, so h = points × 20 / 15.
    QTest::newRow("8.5 rounds to 8") << 8.5 << 96 << 11;   // 10.67
    QTest::newRow("9.5 rounds to 10") << 9.5 << 96 << 13;  // 13.33
    QTest::newRow("12 points") << 12.0 << 96 << 16;
    // A 300-dpi page: 4.8 twips per pixel.
    QTest::newRow("12 points on paper") << 12.0 << 300 << 50;
}

void TestGraphs::rotatedTextRoundsFontSize()
{
    QFETCH(double, points);
    QFETCH(int, dpi);
    QFETCH(int, pixels);
    QImage image = makeImage(QSize(50, 50), dpi);
    DrawingSurface surface(&image);
    surface.FontName = QStringLiteral("MS Sans Serif");
    surface.FontSize = points;
    const QFont font = RotatedTextFont(surface);
    QCOMPARE(font.pixelSize(), pixels);
    QVERIFY(font.bold());
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    RotatedText(surface, QStringLiteral("VMD"), 90, 10, 40);
    // The surface's own font is untouched.
    QCOMPARE(surface.FontSize, points);
    QCOMPARE(surface.FontName, QStringLiteral("MS Sans Serif"));
    QVERIFY(!surface.FontBold);
}

void TestGraphs::scaleConversionsFollowTheDevice()
{
    QImage image = makeImage(QSize(200, 100));
    DrawingSurface surface(&image);
    QCOMPARE(surface.TwipsPerPixelX(), 15.0);
    surface.ScaleLeft = -1;
    surface.ScaleWidth = 4;
    surface.ScaleTop = 1;
    surface.ScaleHeight = -1;
    using U = DrawingSurface::Unit;
    QCOMPARE(surface.ScaleX(1, U::User, U::Pixels), 50.0);
    QCOMPARE(surface.ScaleX(1, U::User, U::Twips), 750.0);
    QCOMPARE(surface.ScaleX(150, U::Twips, U::User), 0.2);
    // Upward scale: a positive user height is a negative pixel height.
    QCOMPARE(surface.ScaleY(0.5, U::User, U::Pixels), -50.0);
    QCOMPARE(surface.ScaleY(10, U::Pixels, U::User), -0.1);
    QCOMPARE(surface.PixelX(0), 50.0);
    QCOMPARE(surface.PixelY(0), 100.0);
    QCOMPARE(surface.UserY(25), 0.75);
    QVERIFY(surface.TextHeight(QStringLiteral("X")) < 0);
    // A printer-like resolution halves the twips per pixel and doubles the pixels.
    QImage fine = makeImage(QSize(400, 200), 192);
    DrawingSurface paper(&fine);
    QCOMPARE(paper.TwipsPerPixelY(), 7.5);
    QCOMPARE(paper.ScaleY(1440, U::Twips, U::Pixels), 192.0);
}

void TestGraphs::printReturnsToUserZero()
{
    QImage image = makeImage(QSize(200, 100));
    DrawingSurface surface(&image);
    surface.ScaleLeft = -2;
    surface.ScaleWidth = 8;
    surface.ScaleTop = 11;
    surface.ScaleHeight = -11;
    surface.CurrentX = -1.5;
    surface.CurrentY = 10;
    const double h = surface.TextHeight(QStringLiteral("Label"));
    const double w = surface.TextWidth(QStringLiteral("Label"));
    surface.Print(QStringLiteral("Label"), true);
    QCOMPARE(surface.CurrentX, -1.5 + w);
    QCOMPARE(surface.CurrentY, 10.0);
    surface.Print(QStringLiteral("Label"));
    QCOMPARE(surface.CurrentX, 0.0); // x = 0 of the scale, not its left edge
    QCOMPARE(surface.CurrentY, 10.0 + h);
}

void TestGraphs::polygonOnOneVerticalLine()
{
    QImage image = makeImage(QSize(40, 40));
    {
        DrawingSurface surface(&image);
        surface.ForeColor = Qt::black;
        surface.FillColor = Qt::blue;
        surface.Polygon({QPoint(20, 5), QPoint(20, 30), QPoint(20, 30), QPoint(20, 5)});
    }
    QCOMPARE(at(image, 20, 15), QColor(Qt::black));
    QCOMPARE(at(image, 19, 15), QColor(Qt::white));
    QCOMPARE(at(image, 21, 15), QColor(Qt::white));
    QCOMPARE(countColour(image, Qt::blue), 0);
}

void TestGraphs::histogramScaleTop_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<float>("largest"); // MaxVF, MaxNF or the class density
    QTest::addColumn<double>("top");
    QTest::newRow("VF 0.25 -> 0.27") << 1 << 0.25f << 0.27;
    QTest::newRow("VF 0.95 -> 1") << 1 << 0.95f << 1.0;
    QTest::newRow("NF 0.5 -> 0.55") << 4 << 0.5f << 0.55;
    QTest::newRow("NF 0.999 -> 1") << 4 << 0.999f << 1.0;
    QTest::newRow("density 12.6 -> 13") << 3 << 12.6f << 13.0;
    QTest::newRow("density 12 -> 13") << 3 << 12.0f << 13.0;
    QTest::newRow("CVF") << 2 << 0.3f << 1.0;
    QTest::newRow("CNF") << 5 << 0.3f << 1.0;
}

void TestGraphs::histogramScaleTop()
{
    QFETCH(int, mode);
    QFETCH(float, largest);
    QFETCH(double, top);
    Slide slide;
    slide.MaxVF = largest;
    slide.MaxNF = largest;
    slide.Area = 10;
    slide.MaxCount = static_cast<int16_t>(std::lround(largest * 10));
    QCOMPARE(SlideScaleTop(slide, mode), top);
    CompositeResults comp;
    comp.CompMaxVF = comp.CompMaxNF = comp.CompMaxDensity = largest;
    QCOMPARE(CompositeScaleTop(comp, mode), top);
    // A slide with drops but no scanned area keeps a usable axis.
    slide.Area = 0;
    QVERIFY(std::isfinite(SlideScaleTop(slide, mode)));
}

void TestGraphs::drawResultLeavesScale()
{
    ViewState view;
    SlideSet set = twoClassSet(view);
    for (int mode = 1; mode <= 5; ++mode) {
        view.GraphMode = mode;
        const Rendered r = renderHistogram(set, view);
        QVERIFY(r.result.Drawn);
        QCOMPARE(r.result.Scale.Left, 0.0);
        QCOMPARE(r.result.Scale.Width, double(ClassDiameter(set.Params, 4))); // LargestSizeFound 4
        QCOMPARE(float(r.result.Scale.Top), float(SlideScaleTop(set.Slides[1], mode)));
        QCOMPARE(r.result.Scale.Height, -r.result.Scale.Top);
    }
    // Nothing at all without slides: the scale handed in comes back.
    SlideSet empty;
    ViewState none;
    const Rendered r = renderHistogram(empty, none);
    QVERIFY(!r.result.Drawn);
    QCOMPARE(countColour(r.image, Qt::white), r.image.width() * r.image.height());
}

void TestGraphs::segmentCornersOneClass()
{
    // One class only: a polygon of zero width at that class, from the base
    // (2 pixels above the bottom) up by the value's pixel height.
    SlideSet set;
    ViewState view;
    AddSlide(set, 0);
    PutDrops(set, view, 1, 5, 10);
    set.CurrentSlide = 1;
    Refresh(set, view);
    view.GraphMode = 1;
    const Rendered r = renderHistogram(set, view);
    QCOMPARE(r.result.Segments.size(), size_t(1));
    // VF(5) = 1, top 1; the axis ends at class 5, so x = 285; 1 → 70 pixels up.
    const SegmentCorners expected{QPoint(285, -2), QPoint(285, 68), QPoint(285, 68), QPoint(285, -2)};
    QCOMPARE(r.result.Segments[0], expected);
}

void TestGraphs::segmentCornersSeveralClasses()
{
    ViewState view;
    SlideSet set = twoClassSet(view, true); // classes 2 and 4 on one slide
    // VF(2) = 1/3, VF(4) = 2/3, top = trunc(73.3) / 100 = 0.73; 28 µm of 56 → 142.5 → 142.
    view.GraphMode = 1;
    Rendered r = renderHistogram(set, view);
    QCOMPARE(r.result.Scale.Top, double(0.73f));
    QCOMPARE(r.result.Segments.size(), size_t(2));
    QCOMPARE(r.result.Segments[0], (SegmentCorners{QPoint(142, 36), QPoint(142, 68), QPoint(142, 68), QPoint(142, 36)}));
    QCOMPARE(r.result.Segments[1], (SegmentCorners{QPoint(285, 4), QPoint(285, 68), QPoint(142, 68), QPoint(142, 36)}));
    // Cumulative: the first segment rises from the origin.
    view.GraphMode = 2;
    r = renderHistogram(set, view);
    QCOMPARE(r.result.Segments.size(), size_t(2));
    QCOMPARE(r.result.Segments[0], (SegmentCorners{QPoint(142, 45), QPoint(142, 68), QPoint(0, 68), QPoint(0, 68)}));
    QCOMPARE(r.result.Segments[1], (SegmentCorners{QPoint(285, -2), QPoint(285, 68), QPoint(142, 68), QPoint(142, 45)}));
    // Density: 10 drops over the float area 0.1 cm² come to 99.9999985 per cm²,
    // which truncates to 99: the top is 100 and a full class reaches it.
    view.GraphMode = 3;
    r = renderHistogram(set, view);
    QCOMPARE(r.result.Scale.Top, 100.0);
    QCOMPARE(r.result.Segments[1][0], QPoint(285, 68 - 70));
}

void TestGraphs::markerAtMedian_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("vmd"); // marker at the VMD (else the NMD, or none in mode 3)
    QTest::newRow("VF") << 1 << true;
    QTest::newRow("CVF") << 2 << true;
    QTest::newRow("density has none") << 3 << false;
    QTest::newRow("NF") << 4 << false;
    QTest::newRow("CNF") << 5 << false;
}

void TestGraphs::markerAtMedian()
{
    QFETCH(int, mode);
    QFETCH(bool, vmd);
    ViewState view;
    SlideSet set = twoClassSet(view, true);
    view.GraphMode = mode;
    const Rendered r = renderHistogram(set, view);
    const QColor red(255, 0, 0);
    if (mode == 3) {
        QVERIFY(!r.result.MarkerDrawn);
        QCOMPARE(countColour(r.image, red), 0);
        return;
    }
    const double median = vmd ? view.CurrentVMD : view.CurrentNMD;
    QCOMPARE(median, vmd ? 35.0 : 17.5);
    const int x = static_cast<int>(RoundHalfEven(median * 285 / 56));
    QCOMPARE(r.result.MarkerPixelX, x);
    // Red at the top of the box where the area does not reach, nowhere else.
    QCOMPARE(at(r.image, x, 0), red);
    QCOMPARE(countColour(r.image, red, QRect(0, 0, x, 70)), 0);
    QCOMPARE(countColour(r.image, red, QRect(x + 1, 0, 285, 70)), 0);
}

void TestGraphs::fillInsideSegmentOnly()
{
    ViewState view;
    SlideSet set = twoClassSet(view, true);
    view.GraphMode = 1;
    const Rendered r = renderHistogram(set, view);
    const QColor fill = GraphColours::Histogram;
    QCOMPARE(at(r.image, 250, 50), fill);                   // inside the segment 142 … 285
    QCOMPARE(at(r.image, 100, 50), QColor(Qt::white));      // left of the first class
    QCOMPARE(at(r.image, 200, 10), QColor(Qt::white));      // above the sloped top edge
    QCOMPARE(at(r.image, 200, 69), QColor(Qt::white));      // below the base line
    QCOMPARE(countColour(r.image, fill, QRect(0, 0, 142, 70)), 0);
}

void TestGraphs::slideWithoutDropsLeavesBoxClear()
{
    ViewState view;
    SlideSet set = twoClassSet(view);
    AddSlide(set, 20); // slide 3, no drops
    set.CurrentSlide = 3;
    Refresh(set, view);
    for (int mode = 1; mode <= 5; ++mode) {
        view.GraphMode = mode;
        QImage image = makeImage(kResultPicSize);
        image.fill(Qt::green); // whatever was there before is cleared
        DrawingSurface surface(&image);
        const HistogramResult result = DrawResult(surface, set, view);
        surface.End();
        QVERIFY(!result.Drawn);
        QCOMPARE(result.Scale.Width, double(ClassDiameter(set.Params, 4)));
        QCOMPARE(countColour(image, Qt::white), image.width() * image.height());
    }
}

void TestGraphs::compositeStartsWithVerticalEdge()
{
    ViewState view;
    SlideSet set = twoClassSet(view);
    view.CompositeChecked = true;
    Refresh(set, view);
    QCOMPARE(view.CurrentVMD, 35.0f);
    for (int mode : {2, 5}) {
        view.GraphMode = mode;
        const Rendered r = renderHistogram(set, view);
        QCOMPARE(r.result.Segments.size(), size_t(2));
        const SegmentCorners &first = r.result.Segments[0];
        QCOMPARE(first[0].x(), 142);
        QCOMPARE(first[3].x(), 142); // no edge from the origin
    }
    view.GraphMode = 3; // mean density per class: 50 → top 51
    const Rendered r = renderHistogram(set, view);
    QCOMPARE(r.result.Scale.Top, 51.0);
}

void TestGraphs::compositeOfOneSlide()
{
    ViewState view;
    SlideSet set = twoClassSet(view, true);
    view.CompositeChecked = true;
    Refresh(set, view);
    for (int mode = 1; mode <= 5; ++mode) {
        view.GraphMode = mode;
        view.CompositeChecked = false;
        const Rendered slide = renderHistogram(set, view);
        view.CompositeChecked = true;
        const Rendered composite = renderHistogram(set, view);
        QVERIFY(composite.result.Drawn);
        // One slide pooled is that slide, except that cumulative modes start
        // upright at the first class.
        // (The density mode differs in its top: the pooled density is a float sum.)
        if (mode == 1 || mode == 4)
            QCOMPARE(composite.image, slide.image);
    }
    // A composite that holds no drops leaves the box clear rather than scaling to 0.
    SlideSet empty;
    AddSlide(empty, 0);
    empty.CurrentSlide = 1;
    ViewState v;
    v.CompositeChecked = true;
    v.LargestSizeFound = 3;
    Refresh(empty, v);
    const Rendered r = renderHistogram(empty, v);
    QVERIFY(!r.result.Drawn);
}

void TestGraphs::toolTipText()
{
    UserScale scale{0, 1, 280, -1, QSize(280, 100)};
    const NumberFormat dot;
    QCOMPARE(HistogramToolTip(scale, 1, QPointF(123.46, 74.4), dot), QString::fromUtf8("123.5µm / 0.26"));
    UserScale density{0, 20, 280, -20, QSize(280, 100)};
    QCOMPARE(HistogramToolTip(density, 3, QPointF(10, 38.3), dot), QString::fromUtf8("10.0µm / 12.3"));
    QCOMPARE(HistogramToolTip(scale, 1, QPointF(123.46, 74.4), NumberFormat(QLatin1Char(','))),
             QString::fromUtf8("123,5µm / 0,26"));
    AnalysisParameters params;
    QCOMPARE(HistogramClassAt(scale, params, 30), 2);
    QCOMPARE(HistogramClassAt(scale, params, 2000), 20);
}

// --- line data ---------------------------------------------------------------------

namespace {

struct LineRender
{
    QImage image;
    LineDataResult result;
};

LineRender renderLineData(const SlideSet &set, const ViewState &view, bool cards = true)
{
    LineRender r{makeImage(kPicture1LargeSize), {}};
    DrawingSurface surface(&r.image);
    r.result = DrawLineData(surface, set, view, LineDataOptions{cards});
    return r;
}

// Share of black pixels in column x between user heights y1 and y2.
double blackShare(const QImage &image, int x, const UserScale &scale, double y1, double y2)
{
    const int top = static_cast<int>(scale.ToPixelY(y2)), bottom = static_cast<int>(scale.ToPixelY(y1));
    int black = 0;
    for (int y = top; y <= bottom; ++y)
        if (QColor(image.pixel(x, y)) == QColor(Qt::black))
            ++black;
    return double(black) / (bottom - top + 1);
}

// Pixel rows of the mortality panel, inside the frame and clear of its edges.
QRect mortalityPanel(const LineDataResult &r)
{
    const UserScale &s = r.Scale;
    return QRect(QPoint(int(s.ToPixelX(r.XMin)) + 3, int(s.ToPixelY(4)) + 3),
                 QPoint(int(s.ToPixelX(r.XMax)) - 3, int(s.ToPixelY(3)) - 3));
}

} // namespace

void TestGraphs::lineDataMaximaAndCards()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    float vmd = 0, nmd = 0, density = 0;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        vmd = std::max(vmd, set.Slides[i].VMD);
        nmd = std::max(nmd, set.Slides[i].NMD);
        density = std::max(density, set.Slides[i].DropDensity);
    }
    const LineRender r = renderLineData(set, view);
    QVERIFY(r.result.Drawn);
    QCOMPARE(r.result.VMDAxisMax, float(1.1 * vmd));
    QCOMPARE(r.result.NMDAxisMax, float(1.1 * nmd));
    QCOMPARE(r.result.DensityAxisMax, float(1.1 * density));
    QCOMPARE(r.result.XMin, -45.0);
    QCOMPARE(r.result.XMax, 45.0);
    QCOMPARE(r.result.Scale.Left, double(-54.0f));
    QCOMPARE(r.result.Scale.Width, 108.0);
    QCOMPARE(r.result.Scale.Top, double(float(kPlotScaleTopLarge)));
    // Cards: 720 px for 108 m, so 90 m is 600 px, / 10 − 3 → 57, capped at 20.
    QCOMPARE(r.result.Cards.size(), size_t(10));
    const int cardTop = static_cast<int>(RoundHalfEven(r.result.Scale.ToPixelY(0))) + 25;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const SlideCard &card = r.result.Cards[i - 1];
        QCOMPARE(card.SlideIndex, int16_t(i));
        QCOMPARE(card.Rect.size(), QSize(20, 25));
        QCOMPARE(card.Rect.top(), cardTop);
        QVERIFY(std::abs(card.Rect.center().x() + 0.5 - r.result.Scale.ToPixelX(set.Slides[i].Position)) <= 1);
        QCOMPARE(card.BackColor, set.Slides[i].Cage.NumInCage > 0 ? QColor(Qt::white) : QColor(255, 200, 200));
    }
    // A box too short for full cards below the axis gets smaller cards that
    // still end inside it.
    {
        QImage shortBox = makeImage(QSize(640, 395));
        DrawingSurface surface(&shortBox);
        const LineDataResult squat = DrawLineData(surface, set, view, LineDataOptions{true});
        for (const SlideCard &card : squat.Cards) {
            QVERIFY(card.Rect.bottom() < shortBox.height());
            QVERIFY(card.Rect.height() >= card.Rect.width());
        }
    }
    // Drawn as outlined boxes on an image.
    const SlideCard &bare = r.result.Cards[0];
    QCOMPARE(at(r.image, bare.Rect.center().x(), bare.Rect.center().y()), QColor(255, 200, 200));
    QCOMPARE(at(r.image, bare.Rect.left(), bare.Rect.center().y()), QColor(Qt::black));
    // Mortality lines in all three colours inside the panel.
    const QRect panel = mortalityPanel(r.result);
    QVERIFY(countColour(r.image, GraphColours::Knockdown1h, panel) > 50);
    QVERIFY(countColour(r.image, GraphColours::Mortality12h, panel) > 50);
    QVERIFY(countColour(r.image, GraphColours::Mortality24h, panel) > 50);
    // The dotted red reference lines in the three lower panels.
    QVERIFY(countColour(r.image, QColor(255, 0, 0)) > 100);
}

void TestGraphs::lineDataSprayLineAtZero()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    const LineRender r = renderLineData(set, view);
    const int x0 = static_cast<int>(RoundHalfEven(r.result.Scale.ToPixelX(0)));
    QCOMPARE(x0, kPicture1LargeSize.width() / 2);
    // Black through all four panels with control data (data lines cross it here
    // and there), and three pixels wide only.
    QVERIFY(blackShare(r.image, x0, r.result.Scale, 0, 4) > 0.8);
    QVERIFY(blackShare(r.image, x0 - 1, r.result.Scale, 0, 4) > 0.8);
    QVERIFY(blackShare(r.image, x0 - 3, r.result.Scale, 0.1, 3.9) < 0.2);
}

void TestGraphs::lineDataOneSideOfLine()
{
    SlideSet set;
    ViewState view;
    for (float p : {5.0f, 10.0f, 20.0f}) {
        const int16_t i = AddSlide(set, p);
        PutDrops(set, view, i, 3, 5);
    }
    set.CurrentSlide = 1;
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    QCOMPARE(r.result.XMin, 0.0);
    QCOMPARE(r.result.XMax, 20.0);
    QCOMPARE(r.result.Scale.Left, -2.0);
    QCOMPARE(r.result.Scale.Width, 24.0);
    // The spray line lies on the left frame edge.
    const int x0 = static_cast<int>(RoundHalfEven(r.result.Scale.ToPixelX(0)));
    QCOMPARE(at(r.image, x0 + 1, int(r.result.Scale.ToPixelY(1.5))), QColor(Qt::black));
}

void TestGraphs::lineDataAllAtZero()
{
    SlideSet set;
    ViewState view;
    AddSlide(set, 0);
    AddSlide(set, 0); // not from the window, but a file could hold it
    PutDrops(set, view, 1, 4, 10);
    PutDrops(set, view, 2, 6, 10);
    set.CurrentSlide = 1;
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    QVERIFY(r.result.Drawn);
    QCOMPARE(r.result.XMin, -1.0);
    QCOMPARE(r.result.XMax, 1.0);
    QCOMPARE(float(r.result.Scale.Width), 2.4f);
    QCOMPARE(r.result.Cards[0].Rect.width(), 20);
    const int x0 = static_cast<int>(RoundHalfEven(r.result.Scale.ToPixelX(0)));
    QCOMPARE(x0, kPicture1LargeSize.width() / 2);
    QVERIFY(blackShare(r.image, x0, r.result.Scale, 0, 3) > 0.6);
}

void TestGraphs::lineDataOneSlideShowsDots()
{
    SlideSet set;
    ViewState view;
    AddSlide(set, 0);
    PutDrops(set, view, 1, 4, 10);
    set.Slides[1].Cage = MortalityCounts{20, 5, 8, 10};
    set.ControlData = MortalityCounts{20, 0, 1, 2};
    set.CurrentSlide = 1;
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    // No segment to draw, so each series is a dot at the slide's point.
    const UserScale &sc = r.result.Scale;
    const QPoint vmdPoint(static_cast<int>(RoundHalfEven(sc.ToPixelX(0))),
                          static_cast<int>(RoundHalfEven(sc.ToPixelY(2 + set.Slides[1].VMD / r.result.VMDAxisMax))));
    QVERIFY(countColour(r.image, GraphColours::DataLine, QRect(vmdPoint - QPoint(3, 3), QSize(7, 7))) > 0);
    const QRect panel = mortalityPanel(r.result);
    for (const QColor &c : {GraphColours::Knockdown1h, GraphColours::Mortality12h, GraphColours::Mortality24h}) {
        const int n = countColour(r.image, c, panel);
        QVERIFY(n > 0 && n < 60); // a dot, not a line
    }
}

void TestGraphs::lineDataWithoutControlData()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    set.ControlData = MortalityCounts();
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    const QRect panel = mortalityPanel(r.result);
    QCOMPARE(countColour(r.image, GraphColours::Knockdown1h, panel), 0);
    QCOMPARE(countColour(r.image, GraphColours::Mortality12h, panel), 0);
    QCOMPARE(countColour(r.image, GraphColours::Mortality24h, panel), 0);
    QVERIFY(countColour(r.image, QColor(255, 200, 200), panel) > 100); // the pale message
    // No mortality labels on the right: nothing dark beside the upper panel.
    const int right = static_cast<int>(r.result.Scale.ToPixelX(r.result.XMax)) + 3;
    const QRect labels(QPoint(right, panel.top()), QPoint(right + 30, panel.bottom()));
    int dark = 0;
    for (int y = labels.top(); y <= labels.bottom(); ++y)
        for (int x = labels.left(); x <= labels.right(); ++x)
            if (qGray(r.image.pixel(x, y)) < 128)
                ++dark;
    QCOMPARE(dark, 0);
    // The spray line stops at the top of the VMD panel.
    const int x0 = static_cast<int>(RoundHalfEven(r.result.Scale.ToPixelX(0)));
    QCOMPARE(at(r.image, x0, int(r.result.Scale.ToPixelY(3.2))), QColor(Qt::white));
}

void TestGraphs::lineDataMissingMortalityBreaksNoLine()
{
    // Every control insect dead at 24 h: no corrected 24 h value on any slide,
    // so no 24 h line, while knockdown and 12 h are drawn.
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    set.ControlData = MortalityCounts{10, 0, 2, 10};
    Refresh(set, view);
    QVERIFY(!set.Slides[3].Mortality24h.has_value());
    const LineRender r = renderLineData(set, view);
    const QRect panel = mortalityPanel(r.result);
    QCOMPARE(countColour(r.image, GraphColours::Mortality24h, panel), 0);
    QVERIFY(countColour(r.image, GraphColours::Mortality12h, panel) > 50);
}

void TestGraphs::lineDataNoDrops()
{
    SlideSet set;
    ViewState view;
    AddSlide(set, -5);
    AddSlide(set, 5);
    set.CurrentSlide = 1;
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    QVERIFY(r.result.Drawn);
    QCOMPARE(r.result.DensityAxisMax, 0.0f);
    const QRect lower(QPoint(int(r.result.Scale.ToPixelX(-5)) + 3, int(r.result.Scale.ToPixelY(3)) + 3),
                      QPoint(int(r.result.Scale.ToPixelX(5)) - 3, int(r.result.Scale.ToPixelY(0)) - 3));
    QCOMPARE(countColour(r.image, QColor(255, 0, 0)), 0);                 // no reference lines
    QCOMPARE(countColour(r.image, GraphColours::DataLine, lower), 0);     // no data lines
    // Without slides the box is only cleared.
    SlideSet none;
    const LineRender empty = renderLineData(none, view);
    QVERIFY(!empty.result.Drawn);
    QCOMPARE(countColour(empty.image, Qt::white), empty.image.width() * empty.image.height());
}

void TestGraphs::lineDataExtremePositions()
{
    // Positions far beyond any real line must not overflow pixel arithmetic.
    SlideSet set;
    ViewState view;
    for (float p : {-3.0e38f, 3.0e38f}) {
        const int16_t i = AddSlide(set, p);
        PutDrops(set, view, i, 3, 5);
    }
    set.CurrentSlide = 1;
    Refresh(set, view);
    const LineRender r = renderLineData(set, view);
    QVERIFY(r.result.Drawn);
    QCOMPARE(r.result.Cards.size(), size_t(2));
}

void TestGraphs::pdfPageUsesItsOwnResolution()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(600);
    {
        DrawingSurface surface(&pdf);
        QCOMPARE(surface.TwipsPerPixelX(), 2.4);
        const LineDataResult line = DrawLineData(surface, set, view);
        QVERIFY(line.Drawn);
        // Cards keep their pixel size; on paper they are small, as on the page.
        QCOMPARE(line.Cards[0].Rect.width(), 20);
        QVERIFY(surface.NewPage());
        DrawRangeChart(surface, set, view);
        surface.EndDoc();
    }
    QVERIFY(buffer.data().startsWith("%PDF"));
    QVERIFY(buffer.data().size() > 2000);
}

void TestGraphs::mortalityVsDensityPoints()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    const LineRange range = ComputeLineRange(set);
    QImage image = makeImage(kPicture1LargeSize);
    {
        DrawingSurface surface(&image);
        DrawMortalityVsDensity(surface, set, view, range.DensityAxisMax);
    }
    // Eight slides with cages, three filled circles each.
    QVERIFY(countColour(image, GraphColours::Knockdown1h) > 8 * 10);
    QVERIFY(countColour(image, GraphColours::Mortality12h) > 8 * 10);
    QVERIFY(countColour(image, GraphColours::Mortality24h) > 8 * 10);
    // No points without control data.
    set.ControlData = MortalityCounts();
    Refresh(set, view);
    QImage bare = makeImage(kPicture1LargeSize);
    {
        DrawingSurface surface(&bare);
        DrawMortalityVsDensity(surface, set, view, range.DensityAxisMax);
    }
    QCOMPARE(countColour(bare, GraphColours::Knockdown1h), 0);
}

void TestGraphs::mortalityVsDensityWithoutDensityScale()
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view);
    QImage image = makeImage(kPicture1LargeSize);
    UserScale scale;
    {
        DrawingSurface surface(&image);
        DrawMortalityVsDensity(surface, set, view, 0.0f);
        scale = surface.Scale();
    }
    // The frame is there, x 0 … 1 over −0.1 … 1.1, with no division by the
    // empty density range.
    QCOMPARE(float(scale.ToPixelX(0)), float(kPicture1LargeSize.width() / 12.0));
    QCOMPARE(at(image, 320, static_cast<int>(RoundHalfEven(scale.ToPixelY(0)))), QColor(Qt::black));
    QCOMPARE(at(image, 320, static_cast<int>(RoundHalfEven(scale.ToPixelY(1)))), QColor(Qt::black));
    QCOMPARE(countColour(image, GraphColours::Knockdown1h), 0);
}

void TestGraphs::rangeChartBarHeights()
{
    // The two-slide line: half the pooled density at 28 µm (22 -- 50), half at
    // 56 µm (> 50); nothing below 22 µm or above 80 µm.
    ViewState view;
    SlideSet set = twoClassSet(view);
    QImage image = makeImage(kPicture1LargeSize);
    RangeStatistics stats;
    UserScale scale;
    {
        DrawingSurface surface(&image);
        stats = DrawRangeChart(surface, set, view);
        scale = surface.Scale();
    }
    QCOMPARE(stats.SizeOnSlide[2], 0.5f);
    QCOMPARE(stats.SizeOnSlide[3], 0.5f);
    const QColor green = GraphColours::Knockdown1h;
    // Range 3's first bar (x 6 … 7) is green up to y = 0.5 and white above.
    const int x = static_cast<int>(scale.ToPixelX(6.5));
    QCOMPARE(at(image, x, int(scale.ToPixelY(0.45))), green);
    QCOMPARE(at(image, x, int(scale.ToPixelY(0.55))), QColor(Qt::white));
    // The bar's top edge is black at 0.5.
    QCOMPARE(at(image, x, static_cast<int>(RoundHalfEven(scale.ToPixelY(0.5)))), QColor(Qt::black));
    // Range 1 holds nothing: its bars are lines on the axis.
    QCOMPARE(at(image, int(scale.ToPixelX(0.5)), int(scale.ToPixelY(0.05))), QColor(Qt::white));
    // The axis always ends at 100 %: the frame's top edge.
    QCOMPARE(at(image, int(scale.ToPixelX(7.2)), static_cast<int>(RoundHalfEven(scale.ToPixelY(1)))),
             QColor(Qt::black));
}

void TestGraphs::rangeChartWithoutDrops()
{
    SlideSet set;
    ViewState view;
    AddSlide(set, 0);
    AddSlide(set, 3);
    set.CurrentSlide = 1;
    Refresh(set, view);
    QImage image = makeImage(kPicture1LargeSize);
    RangeStatistics stats;
    {
        DrawingSurface surface(&image);
        stats = DrawRangeChart(surface, set, view);
    }
    for (int j = 0; j < kRangeCount; ++j)
        QCOMPARE(stats.SizeOnSlide[j], 0.0f);
    QCOMPARE(countColour(image, GraphColours::Knockdown1h, QRect(60, 60, 500, 300)), 0);
}

// Every graph of the realistic line and of the awkward cases, written as PNG
// files to look at when NIMBREL_GRAPH_OUT names a folder.
void TestGraphs::gallery()
{
    const QString out = qEnvironmentVariable("NIMBREL_GRAPH_OUT");
    if (out.isEmpty())
        QSKIP("set NIMBREL_GRAPH_OUT to a folder to write the gallery");
    QDir().mkpath(out);
    auto save = [&](const QString &name, QSize size, const std::function<void(DrawingSurface &)> &draw) {
        QImage image = makeImage(size);
        {
            DrawingSurface surface(&image);
            draw(surface);
        }
        QVERIFY(image.save(out + QLatin1Char('/') + name + QStringLiteral(".png")));
        if (size.height() < 100) // the histogram box, enlarged to see single pixels
            QVERIFY(image.scaled(size * 3).save(out + QLatin1Char('/') + name + QStringLiteral("-x3.png")));
    };
    auto composite = [&](const QString &prefix, SlideSet &set, ViewState &view) {
        // The set as a file too, for trying nimbrel-cli plot on it.
        QCOMPARE(WriteSlideSetFile(out + QLatin1Char('/') + prefix + QStringLiteral(".csv"), set,
                                   QStringLiteral(","), NumberFormat(QLatin1Char('.'))),
                 QString());
        view.CompositeChecked = true;
        Refresh(set, view);
        float densityMax = 0;
        save(prefix + QStringLiteral("-line-data"), kPicture1LargeSize, [&](DrawingSurface &s) {
            densityMax = DrawLineData(s, set, view, LineDataOptions{true}).DensityAxisMax;
        });
        save(prefix + QStringLiteral("-mortality-density"), kPicture1LargeSize,
             [&](DrawingSurface &s) { DrawMortalityVsDensity(s, set, view, densityMax); });
        save(prefix + QStringLiteral("-range-stats"), kPicture1LargeSize,
             [&](DrawingSurface &s) { DrawRangeChart(s, set, view); });
    };

    ViewState view;
    SlideSet set = MakeRealisticLine(view, 6);
    for (int mode = 1; mode <= 5; ++mode) {
        view.GraphMode = mode;
        view.CompositeChecked = false;
        Refresh(set, view);
        save(QStringLiteral("realistic-hist-slide6-mode%1").arg(mode), kResultPicSize,
             [&](DrawingSurface &s) { DrawResult(s, set, view); });
        view.CompositeChecked = true;
        Refresh(set, view);
        save(QStringLiteral("realistic-hist-composite-mode%1").arg(mode), kResultPicSize,
             [&](DrawingSurface &s) { DrawResult(s, set, view); });
    }
    view.GraphMode = 1;
    composite(QStringLiteral("realistic"), set, view);

    SlideSet noControl = MakeRealisticLine(view);
    noControl.ControlData = MortalityCounts();
    composite(QStringLiteral("no-control"), noControl, view);

    SlideSet zero;
    ViewState zeroView;
    AddSlide(zero, 0);
    PutDrops(zero, zeroView, 1, 4, 10);
    PutDrops(zero, zeroView, 1, 6, 5);
    zero.Slides[1].Cage = MortalityCounts{20, 5, 8, 10};
    zero.ControlData = MortalityCounts{20, 0, 1, 2};
    zero.CurrentSlide = 1;
    composite(QStringLiteral("one-slide-at-zero"), zero, zeroView);

    SlideSet dry;
    ViewState dryView;
    AddSlide(dry, -5);
    AddSlide(dry, 5);
    dry.Slides[1].Cage = MortalityCounts{20, 1, 2, 3};
    dry.ControlData = MortalityCounts{20, 0, 1, 2};
    dry.CurrentSlide = 1;
    composite(QStringLiteral("no-drops"), dry, dryView);
}

QTEST_MAIN(TestGraphs)
#include "test_graphs.moc"
