// The undo history of the slide set document: undone, the set is exactly as it
// was; redone, exactly as it became; the saved state keeps the unsaved flag honest.
#include "entry/SlideSetDocument.h"

#include <QtTest>

#include <functional>
#include <memory>

// Everything the file and the figures rest on; CurrentSlide is the window's choice.
static bool sameSet(const SlideSet &a, const SlideSet &b)
{
    return a.Params == b.Params && a.Texts == b.Texts && a.Slides == b.Slides && a.ControlData == b.ControlData;
}

class TestUndo : public QObject
{
    Q_OBJECT
    SlideSet set;
    int16_t largestSizeFound = 0;
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
        largestSizeFound = 0;
        doc = std::make_unique<SlideSetDocument>(set, largestSizeFound);
    }

    // Every state is compared on the way back and forward again, so an edit that
    // undoes into the wrong slide or leaves a figure stale fails at its own step.
    void mixedEditsUndoneAndRedone()
    {
        const std::pair<const char *, std::function<void()>> steps[] = {
            {"slide at 10", [&] { d().AddSlide(10); }},
            {"drops on it", [&] { for (int16_t k : {3, 3, 5, 13}) d().AddDrop(at(10), k); }},
            {"slide at 0 sorts before it", [&] { d().AddSlide(0); }},
            {"drops on the slide on view", [&] { set.CurrentSlide = at(0); for (int16_t k : {2, 8, 8}) d().AddDrop(0, k); }},
            {"count typed in the table", [&] { d().SetDropCount(at(10), 3, 40); }},
            {"slide at 5 between them", [&] { d().AddSlide(5); }},
            {"sweeps", [&] { d().SetSweeps(at(5), 3); }},
            {"cage", [&] { d().SetCage(at(0), {20, 3, 5, 8}); }},
            {"control data", [&] { d().SetControlData({20, 0, 1, 2}); }},
            {"slide moved past the others", [&] { d().MoveSlide(at(0), 20); }},
            {"drop on the moved slide", [&] { d().AddDrop(at(20), 2); }},
            {"middle slide deleted", [&] { d().RemoveSlide(at(5)); }},
            {"drop on the slide after it", [&] { d().AddDrop(at(10), 9); }},
        };
        // The history's place after each step (several drops are as many undos) and the set there.
        std::vector<std::pair<int, SlideSet>> states{{0, set}};
        for (const auto &[name, change] : steps) {
            change();
            QVERIFY2(d().History().index() > states.back().first, name);
            states.emplace_back(d().History().index(), set);
        }
        for (size_t i = std::size(steps); i-- > 0;) {
            while (d().History().index() > states[i].first)
                QVERIFY2(d().Undo(), steps[i].first);
            QVERIFY2(sameSet(set, states[i].second), steps[i].first);
        }
        QVERIFY(!d().Undo());
        for (size_t i = 0; i < std::size(steps); ++i) {
            while (d().History().index() < states[i + 1].first)
                QVERIFY2(d().Redo(), steps[i].first);
            QVERIFY2(sameSet(set, states[i + 1].second), steps[i].first);
        }
        QVERIFY(!d().Redo());
    }

    void deletedSlideComesBack_data()
    {
        QTest::addColumn<bool>("alone");     // the only slide: the control data went with it
        QTest::addColumn<bool>("newOptics"); // µm per EPD changed after the deletion
        QTest::newRow("middle, with its cage") << false << false;
        QTest::newRow("the only slide, with the control data") << true << false;
        QTest::newRow("optics changed since") << false << true;
    }
    void deletedSlideComesBack()
    {
        QFETCH(bool, alone);
        QFETCH(bool, newOptics);
        threeSlides();
        if (alone)
            for (float p : {-5.0f, 10.0f})
                d().RemoveSlide(at(p));
        const int16_t index = at(0);
        SlideSet expected = set;
        d().RemoveSlide(index);
        QCOMPARE(set.ControlData == MortalityCounts(), alone);
        if (newOptics) {
            d().SetMicronsPerEPD(20);
            int16_t largest = 0;
            expected.Params.MicronsPerEPD = 20;
            RecomputeSlides(expected, largest);
        }
        QList<SlideSetChange> changes;
        connect(doc.get(), &SlideSetDocument::Changed, this, [&](const SlideSetChange &c) { changes << c; });

        QCOMPARE(d().Undo().value().Slide, index); // where the window shows it
        QVERIFY(sameSet(set, expected)); // counts, figures, cage, position, its place among the others
        QVERIFY(!changes.isEmpty() && changes[0].What == SlideSetPart::SlideMade && changes[0].Slide == index);
        QVERIFY(d().Redo() && at(0) == 0 && set.SlideCount() == expected.SlideCount() - 1);
    }

    // Undo back to the saved state leaves nothing unsaved, unless a change the
    // history does not hold came since; the history ends where it must.
    // A loaded set may hold positions that read alike (1 and 1.0000001). New
    // ones are refused, but undo and redo still bring back what was there.
    void lookAlikePositionsComeBack()
    {
        for (float p : {1.0f, 1.0000001f})
            AddSlide(set, p);
        QCOMPARE(d().MoveSlide(at(1.0000001f), 5), int16_t(2));
        QCOMPARE(d().MoveSlide(at(5), 1.0000002f), int16_t(0));
        QVERIFY(d().Undo());
        QCOMPARE(set.Slides[2].Position, 1.0000001f);
        QVERIFY(d().Redo());
        QCOMPARE(set.Slides[2].Position, 5.0f);
        d().RemoveSlide(at(5));
        d().AddSlide(3);
        QVERIFY(d().Undo() && d().Undo());
        QCOMPARE(set.SlideCount(), int16_t(2));
        QCOMPARE(set.Slides[2].Position, 5.0f);
        QVERIFY(d().Undo());
        QCOMPARE(set.Slides[2].Position, 1.0000001f);
    }

    void savedStateAndEndsOfHistory()
    {
        threeSlides();
        d().MarkSaved();
        d().AddDrop(at(0), 5);
        QVERIFY(d().IsModified());
        const EditPlace place = d().Undo().value();
        QVERIFY(place.Slide == at(0) && place.SizeClass == 5);
        QVERIFY(!d().IsModified());
        QCOMPARE(d().Undo().value().Slide, int16_t(0)); // the control data: set-wide, the slide on view stays
        QVERIFY(d().IsModified()); // before the save
        QVERIFY(d().Redo() && !d().IsModified());

        d().AddDrop(at(0), 6); // a new edit after an undo drops what was undone
        QVERIFY(!d().Redo() && set.Slides[at(0)].Counts[5] == 0);
        d().SetText(&ParameterTexts::Agency, QStringLiteral("A-1"));
        d().Undo();
        QVERIFY(d().IsModified()); // the counts are as saved, but the text is not undone

        // Resizing the classes ends the history, and the work stays unsaved.
        d().SetMaxSizeEPD(30);
        QVERIFY(!d().Undo() && d().IsModified());

        d().AddSlide(1);
        d().Replace(SlideSet(), 0); // a load
        QVERIFY(!d().Undo() && !d().Redo() && !d().IsModified());
    }
};

QTEST_GUILESS_MAIN(TestUndo)
#include "test_undo.moc"
