// The slide set document: each change announces itself once, saying what it
// touched, and marks the work unsaved; a refused change announces nothing.
#include "ModelFixtures.h"

#include "entry/SlideSetDocument.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <tuple>

class TestDocument : public QObject
{
    Q_OBJECT
    SlideSet set;
    int16_t largestSizeFound = 0;
    std::unique_ptr<SlideSetDocument> doc;
    QList<SlideSetChange> changes;

    SlideSetDocument &d() { return *doc; }
    // Slides at 0 and 10 m, drops on the one at 10, which is on view.
    void twoSlides()
    {
        d().AddSlide(10);
        d().AddSlide(0);
        set.CurrentSlide = 2;
        for (int16_t k : {4, 6})
            d().AddDrop(2, k);
    }

private slots:
    void init()
    {
        set = SlideSet();
        largestSizeFound = 0;
        doc = std::make_unique<SlideSetDocument>(set, largestSizeFound);
        changes.clear();
        connect(doc.get(), &SlideSetDocument::Changed, this, [this](const SlideSetChange &c) { changes << c; });
    }

    void everyChangeIsAnnounced()
    {
        twoSlides();
        const std::tuple<const char *, std::function<void()>, SlideSetParts, int16_t> cases[] = {
            {"drop on the slide on view", [&] { d().AddDrop(0, 4); }, SlideSetPart::Counts, 2},
            {"count typed", [&] { d().SetDropCount(1, 3, 5); }, SlideSetPart::Counts, 1},
            {"new slide sorts in", [&] { QCOMPARE(d().AddSlide(5), int16_t(2)); }, SlideSetPart::SlideMade, 2},
            {"slide moved past another", [&] { QCOMPARE(d().MoveSlide(2, 20), int16_t(3)); }, SlideSetPart::SlideMoved, 3},
            {"sweeps", [&] { QVERIFY(d().SetSweeps(1, 2)); }, SlideSetPart::Sweeps, 1},
            {"µm per EPD", [&] { d().SetMicronsPerEPD(20); }, SlideSetPart::Optics, 0},
            {"EPD on the reticule", [&] { d().SetMaxSizeEPD(30); }, SlideSetPart::SizeClasses | SlideSetPart::Optics, 0},
            {"units", [&] { d().SetMetric(false); }, SlideSetPart::Units, 0},
            {"descriptive text", [&] { d().SetText(&ParameterTexts::Agency, QStringLiteral("A-1")); }, SlideSetPart::Texts, 0},
            {"cage", [&] { d().SetCage(1, {20, 1, 2, 3}); }, SlideSetPart::Cage, 1},
            {"control data", [&] { d().SetControlData({20, 0, 1, 1}); }, SlideSetPart::ControlData, 0},
            {"slide deleted", [&] { d().RemoveSlide(3); }, SlideSetPart::SlideDeleted, 3},
        };
        for (const auto &[name, change, what, slide] : cases) {
            d().MarkSaved();
            changes.clear();
            change();
            QVERIFY2(changes.size() == 1 && changes[0].What == what && changes[0].Slide == slide, name);
            QVERIFY2(d().IsModified(), name);
        }
        QCOMPARE(set.Slides[1].Counts.size(), size_t(31));
        QVERIFY(set.Slides[1].Mortality24h.has_value()); // the control cage reached the caged slide
    }

    void refusedChangesAreSilent()
    {
        twoSlides();
        QCOMPARE(d().SetDropCount(1, 5, kMaxCounter), CountResult::Ok);
        d().MarkSaved();
        changes.clear();
        QCOMPARE(d().AddDrop(0, 21), CountResult::ClassOutOfRange);
        QCOMPARE(d().AddDrop(1, 5), CountResult::Overflow);
        QCOMPARE(d().MoveSlide(2, 0), int16_t(0)); // another slide lies there
        // 10.000001 is another number, but its tab and field would read "10".
        QCOMPARE(d().AddSlide(10.000001f), int16_t(0));
        QCOMPARE(d().MoveSlide(1, 10.000001f), int16_t(0));
        QVERIFY(!d().SetSweeps(1, 0));
        d().SetMetric(set.Params.Metric);
        QVERIFY(changes.isEmpty() && !d().IsModified());
        QCOMPARE(set.Slides[2].Position, 10.0f);
    }

    void clearAndReplaceLeaveNothingUnsaved()
    {
        twoSlides();
        d().SetText(&ParameterTexts::Product, QStringLiteral("Malathion"));
        d().SetControlData({10, 0, 1, 1});
        d().Clear();
        QVERIFY(set.SlideCount() == 0 && set.ControlData == MortalityCounts() && set.Texts == ParameterTexts());
        QCOMPARE(largestSizeFound, int16_t(0));
        QVERIFY(!d().IsModified() && changes.last().What == SlideSetPart::Whole);

        // A loaded set comes in position order with its mortality computed.
        SlideSet loaded;
        AddSlide(loaded, 5);
        AddSlide(loaded, -5);
        loaded.Slides[1].Cage = {20, 0, 10, 10};
        loaded.ControlData = {20, 0, 0, 0};
        d().Replace(std::move(loaded), 7);
        QCOMPARE(set.Slides[1].Position, -5.0f);
        QCOMPARE(set.Slides[2].Mortality24h.value_or(-1), 0.5f);
        QCOMPARE(largestSizeFound, int16_t(7));
        QVERIFY(!d().IsModified());
    }

    // New optics and control data recompute every slide, not only the one on view.
    void recomputeEverySlide()
    {
        int16_t largest = 1;
        SlideSet s = SetWithSlide({{4, 3}}, largest);
        AddSlide(s, 10);
        s.Slides[2].Counts[8] = 2;
        SetDropCount(s, 0, 0, 2, largest);
        const float area = s.Slides[1].Area;
        s.Params.SpreadFactor = 0.7f;
        s.Params.ScanLength = 4;
        RecomputeSlides(s, largest);
        QCOMPARE(s.Slides[1].VMD, float(4 * 25 * 0.7f / 2));
        QCOMPARE(s.Slides[2].VMD, float(8 * 25 * 0.7f / 2));
        QCOMPARE(s.Slides[1].Area, 2 * area);
        QCOMPARE(s.Slides[2].DropDensity, float(2 / double(s.Slides[2].Area)));
        // A narrower reticule brings the largest size class seen within it.
        s.Params.MaxSizeEPD = 6;
        ResizeClassArrays(s, largest);
        RecomputeSlides(s, largest);
        QCOMPARE(largest, int16_t(4));

        s.Slides[1].Cage = {20, 5, 2, 12};
        s.Slides[2].Cage = {10, 0, 0, 1};
        s.ControlData = {20, 0, 2, 2};
        RecomputeMortality(s);
        QCOMPARE(s.Slides[1].Knockdown1h.value_or(-1), 0.25f);
        QCOMPARE(s.Slides[1].Mortality24h.value_or(-1), float(1.0 - (8.0 / 20.0) / (18.0 / 20.0)));
        QCOMPARE(s.Slides[2].Mortality24h.value_or(-1), 0.0f);
        s.ControlData = MortalityCounts();
        RecomputeMortality(s);
        QVERIFY(!s.Slides[1].Mortality12h && !s.Slides[2].Knockdown1h);
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "test_document.moc"
