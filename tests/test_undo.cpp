// The undo history of the slide set document: every recorded change undone gives
// back the set exactly as it was, redone the set exactly as it became; deleted
// slides return with everything they held; the saved state and the ends of the
// history keep the unsaved-work flag honest.
#include "entry/SlideSetDocument.h"
#include "model/ViewState.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Everything the file and the figures rest on; CurrentSlide is the window's choice.
bool sameSet(const SlideSet &a, const SlideSet &b)
{
    return a.Params == b.Params && a.Texts == b.Texts && a.Slides == b.Slides && a.ControlData == b.ControlData;
}

struct Step
{
    const char *name;
    std::function<void(SlideSetDocument &)> change;
};

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT
    SlideSet set;
    ViewState view;
    std::unique_ptr<SlideSetDocument> doc;

    SlideSetDocument &d() { return *doc; }
    int16_t at(float position) const { return FindSlideAtPosition(set, position); }

    // Slides at -5, 0 and 10 m with drops, a cage on the one at 0 and control data.
    void threeSlides()
    {
        for (float p : {10.0f, -5.0f, 0.0f})
            d().AddSlide(p);
        for (float p : {-5.0f, 0.0f, 10.0f})
            for (int16_t k : {2, 4, 4, 7})
                d().AddDrop(at(p), int16_t(k + int(p) / 5));
        d().SetCage(at(0), {20, 4, 6, 9});
        d().SetControlData({25, 1, 2, 3});
    }

private slots:
    void init()
    {
        set = SlideSet();
        view = ViewState();
        doc = std::make_unique<SlideSetDocument>(set, view.LargestSizeFound);
    }

    // Each state along a session of mixed edits is compared on the way back and
    // on the way forward again, so an edit that undoes into the wrong slide or
    // leaves a figure stale fails at the step that did it.
    void mixedEditsUndoneAndRedone()
    {
        const Step steps[] = {
            {"slide at 10", [this](SlideSetDocument &doc) { doc.AddSlide(10); }},
            {"drops on it", [this](SlideSetDocument &doc) {
                 for (int16_t k : {3, 3, 5, 13})
                     doc.AddDrop(at(10), k);
             }},
            {"slide at 0 sorts before it", [](SlideSetDocument &doc) { doc.AddSlide(0); }},
            {"drops typed on the slide on view", [this](SlideSetDocument &doc) {
                 set.CurrentSlide = at(0);
                 for (int16_t k : {2, 8, 8})
                     doc.AddDrop(0, k);
             }},
            {"count typed in the table", [this](SlideSetDocument &doc) { doc.SetDropCount(at(10), 3, 40); }},
            {"slide at 5 between them", [](SlideSetDocument &doc) { doc.AddSlide(5); }},
            {"drops on the sweeps", [this](SlideSetDocument &doc) { doc.AddDrop(at(5), 6); }},
            {"cage", [this](SlideSetDocument &doc) { doc.SetCage(at(0), {20, 3, 5, 8}); }},
            {"control data", [](SlideSetDocument &doc) { doc.SetControlData({20, 0, 1, 2}); }},
            {"slide moved past the others", [this](SlideSetDocument &doc) { doc.MoveSlide(at(0), 20); }},
            {"drop on the moved slide", [this](SlideSetDocument &doc) { doc.AddDrop(at(20), 2); }},
            {"middle slide deleted", [this](SlideSetDocument &doc) { doc.RemoveSlide(at(5)); }},
            {"drop on the slide after it", [this](SlideSetDocument &doc) { doc.AddDrop(at(10), 9); }},
        };
        // A step of several drops is as many undos.
        std::vector<SlideSet> states{set};
        std::vector<int> actions;
        for (const Step &step : steps) {
            const int before = d().History().count();
            step.change(d());
            states.push_back(set);
            actions.push_back(d().History().count() - before);
            QVERIFY2(actions.back() > 0, step.name);
        }
        QCOMPARE(set.SlideCount(), int16_t(2));

        for (size_t i = std::size(steps); i-- > 0;) {
            for (int n = 0; n < actions[i]; ++n)
                QVERIFY2(d().Undo().has_value(), steps[i].name);
            QVERIFY2(sameSet(set, states[i]), steps[i].name);
        }
        QVERIFY(!d().Undo());
        QCOMPARE(set.SlideCount(), int16_t(0));
        QVERIFY(sameSet(set, SlideSet()));

        for (size_t i = 0; i < std::size(steps); ++i) {
            for (int n = 0; n < actions[i]; ++n)
                QVERIFY2(d().Redo().has_value(), steps[i].name);
            QVERIFY2(sameSet(set, states[i + 1]), steps[i].name);
        }
        QVERIFY(!d().Redo());
    }

    void deletedSlideComesBack_data()
    {
        QTest::addColumn<float>("position");
        QTest::addColumn<bool>("alone");     // the only slide: the control data went with it
        QTest::addColumn<bool>("newOptics"); // µm per EPD changed after the deletion
        QTest::newRow("first") << -5.0f << false << false;
        QTest::newRow("middle, with its cage") << 0.0f << false << false;
        QTest::newRow("the only slide, with the control data") << 0.0f << true << false;
        QTest::newRow("optics changed since") << 0.0f << false << true;
    }
    void deletedSlideComesBack()
    {
        QFETCH(float, position);
        QFETCH(bool, alone);
        QFETCH(bool, newOptics);
        threeSlides();
        if (alone) {
            d().RemoveSlide(at(-5));
            d().RemoveSlide(at(10));
        }
        const int16_t index = at(position);
        set.CurrentSlide = index;
        SlideSet expected = set;

        QList<SlideSetChange> changes;
        connect(doc.get(), &SlideSetDocument::Changed, this, [&](const SlideSetChange &c) { changes << c; });
        d().RemoveSlide(index);
        QCOMPARE(set.ControlData == MortalityCounts(), alone);
        if (newOptics) {
            d().SetMicronsPerEPD(20);
            int16_t largest = 0;
            expected.Params.MicronsPerEPD = 20;
            RecomputeSlides(expected, largest);
        }
        changes.clear();

        const std::optional<EditPlace> place = d().Undo();
        QVERIFY(place);
        QCOMPARE(place->Slide, index);
        QVERIFY(sameSet(set, expected)); // counts, figures, cage, position, its place among the others
        QVERIFY(!changes.isEmpty());
        QCOMPARE(changes[0].What, SlideSetParts(SlideSetPart::SlideMade));
        QCOMPARE(changes[0].Slide, index);

        d().Redo();
        QCOMPARE(at(position), int16_t(0));
        QCOMPARE(set.SlideCount(), int16_t(expected.SlideCount() - 1));
    }

    // Undo back to the saved state leaves nothing unsaved, unless a change the
    // history does not hold came since; the history ends where it must.
    void savedStateAndEndsOfHistory()
    {
        threeSlides();
        d().MarkSaved();
        d().AddDrop(at(0), 5);
        QVERIFY(d().IsModified());
        d().Undo();
        QVERIFY(!d().IsModified());
        d().Undo();
        QVERIFY(d().IsModified()); // before the save
        d().Redo();
        QVERIFY(!d().IsModified());

        d().AddDrop(at(0), 5);
        d().SetText(&ParameterTexts::Agency, QStringLiteral("A-1"));
        d().Undo();
        QVERIFY(d().IsModified()); // the text is not undone, and not saved
        d().SetScanLength(3);
        d().MarkSaved();
        d().Redo();
        d().Undo();
        QVERIFY(!d().IsModified());

        // Resizing the classes ends the history, and the work stays unsaved.
        d().SetMaxSizeEPD(30);
        QVERIFY(!d().Undo());
        QVERIFY(d().IsModified());

        SlideSet loaded;
        AddSlide(loaded, 0);
        d().AddSlide(1);
        d().Replace(loaded, 0);
        QVERIFY(!d().Undo());
        QVERIFY(!d().Redo());
        QVERIFY(!d().IsModified());
    }
};

QTEST_GUILESS_MAIN(TestUndo)
#include "test_undo.moc"
