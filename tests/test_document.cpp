// The slide set document: each change announces itself once, saying what it
// touched, and marks the work unsaved; a refused change announces nothing.
#include "ModelFixtures.h"

#include "entry/SlideSetDocument.h"
#include "model/ViewState.h"

#include <QtTest>

#include <functional>
#include <memory>

class TestDocument : public QObject
{
    Q_OBJECT
    SlideSet set;
    ViewState view;
    std::unique_ptr<SlideSetDocument> doc;
    QList<SlideSetChange> changes;

    SlideSetDocument &d() { return *doc; }
    // Drops on two slides, at 0 and 10 m, the one at 10 on view.
    void twoSlides()
    {
        d().AddSlide(10);
        d().AddSlide(0);
        set.CurrentSlide = 2;
        d().AddDrop(1, 4);
        d().AddDrop(2, 4);
        d().AddDrop(2, 6);
        d().MarkSaved();
        changes.clear();
    }

private slots:
    void init()
    {
        set = SlideSet();
        view = ViewState();
        doc = std::make_unique<SlideSetDocument>(set, view.LargestSizeFound);
        changes.clear();
        connect(doc.get(), &SlideSetDocument::Changed, this, [this](const SlideSetChange &c) { changes << c; });
    }

    void everyChangeIsAnnounced()
    {
        twoSlides();
        struct Case
        {
            const char *name;
            std::function<void()> change;
            SlideSetParts what;
            int16_t slide;
        };
        const Case cases[] = {
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
        for (const Case &c : cases) {
            d().MarkSaved();
            changes.clear();
            c.change();
            QVERIFY2(changes.size() == 1, c.name);
            QVERIFY2(changes[0].What == c.what, c.name);
            QVERIFY2(changes[0].Slide == c.slide, c.name);
            QVERIFY2(d().IsModified(), c.name);
        }
        // What the changes did, seen in the set.
        QCOMPARE(set.Texts.Agency, QStringLiteral("A-1"));
        QCOMPARE(set.Slides[1].Counts.size(), size_t(31));
        QVERIFY(set.Slides[1].Mortality24h.has_value()); // the control cage reached the caged slide
        QCOMPARE(set.SlideCount(), int16_t(2));
    }

    void refusedChangesAreSilent()
    {
        twoSlides();
        QCOMPARE(d().AddDrop(0, 21), CountResult::ClassOutOfRange);
        QCOMPARE(d().MoveSlide(2, 0), int16_t(0)); // another slide lies there
        QVERIFY(!d().SetSweeps(1, 0));
        d().SetMetric(set.Params.Metric);
        QCOMPARE(d().SetDropCount(1, 5, kMaxCounter), CountResult::Ok);
        d().MarkSaved();
        changes.clear();
        QCOMPARE(d().AddDrop(1, 5), CountResult::Overflow);
        QCOMPARE(changes.size(), 0);
        QVERIFY(!d().IsModified());
        QCOMPARE(set.Slides[2].Position, 10.0f);
    }

    void clearAndReplaceLeaveNothingUnsaved()
    {
        twoSlides();
        d().SetText(&ParameterTexts::Product, QStringLiteral("Malathion"));
        d().SetControlData({10, 0, 1, 1});
        d().Clear();
        QCOMPARE(set.SlideCount(), int16_t(0));
        QCOMPARE(set.ControlData, MortalityCounts());
        QCOMPARE(set.Texts, ParameterTexts());
        QCOMPARE(view.LargestSizeFound, int16_t(0));
        QVERIFY(!d().IsModified());
        QVERIFY(changes.last().What == SlideSetPart::Whole);

        // A loaded set comes in position order with its mortality computed.
        SlideSet loaded;
        AddSlide(loaded, 5);
        AddSlide(loaded, -5);
        loaded.Slides[1].Cage = {20, 0, 10, 10};
        loaded.ControlData = {20, 0, 0, 0};
        d().Replace(std::move(loaded), 7);
        QCOMPARE(set.Slides[1].Position, -5.0f);
        QCOMPARE(set.Slides[2].Mortality24h.value_or(-1), 0.5f);
        QCOMPARE(view.LargestSizeFound, int16_t(7));
        QVERIFY(!d().IsModified());

        // The last slide gone, the control cage goes with it.
        d().RemoveSlide(1);
        QCOMPARE(set.ControlData.NumInCage, int16_t(20));
        d().RemoveSlide(1);
        QCOMPARE(set.ControlData, MortalityCounts());
    }


    // New optics recompute every slide, not only the one on view.
    void recomputeSlides()
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
    }

    void recomputeMortality()
    {
        int16_t largest = 1;
        SlideSet s = SetWithSlide({{4, 3}}, largest);
        AddSlide(s, 10);
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
