#include "window/SlideStrip.h"

#include "window/WindowContext.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace {

const QStringList kCompositeTabs = {QStringLiteral("Line Data"), QStringLiteral("Mortality vs. Drop Density"),
                                    QStringLiteral("Range Statistics"), QStringLiteral("Spray Quality"),
                                    QStringLiteral("Dose Response")};

} // namespace

SlideStrip::SlideStrip(WindowContext &context, QWidget *parent)
    : QTabBar(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("SlideStrip"));
    setExpanding(false);
    // Every caption whole; arrows scroll the strip when the tabs do not fit, and
    // the selected tab is scrolled into sight.
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(true);
    setFocusPolicy(Qt::StrongFocus);
    addTab(QStringLiteral("<No Slide>"));
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_rebuilding && index >= 0)
            chosen(index + 1);
    });
    installEventFilter(this);
}

QString SlideStrip::caption(int slide) const
{
    const SlideSet &set = m_context.Set();
    return m_context.Format().General(set.Slides[slide].Position)
        + (set.Params.Metric ? QStringLiteral(" m") : QStringLiteral(" ft"));
}

void SlideStrip::SetCaptions()
{
    const SlideSet &set = m_context.Set();
    if (m_context.IsCompositeView() || set.SlideCount() == 0)
        return;
    for (int i = 1; i <= set.SlideCount() && i <= count(); ++i)
        setTabText(i - 1, caption(i));
}

void SlideStrip::ShowNoSlide()
{
    const QScopedValueRollback guard(m_rebuilding, true);
    while (count() > 0)
        removeTab(count() - 1);
    addTab(QStringLiteral("<No Slide>"));
}

void SlideStrip::Rebuild()
{
    const SlideSet &set = m_context.Set();
    if (set.SlideCount() == 0) {
        ShowNoSlide();
        return;
    }
    const QScopedValueRollback guard(m_rebuilding, true);
    const QSignalBlocker block(this);
    while (count() > 0)
        removeTab(count() - 1);
    for (int i = 1; i <= set.SlideCount(); ++i)
        addTab(caption(i));
}

void SlideStrip::AddSlideTab(int slides)
{
    const QScopedValueRollback guard(m_rebuilding, true);
    if (slides == 1)
        setTabText(0, caption(1));
    else
        addTab(caption(slides));
}

void SlideStrip::RemoveLastTab()
{
    {
        const QScopedValueRollback guard(m_rebuilding, true);
        const QSignalBlocker block(this);
        removeTab(count() - 1);
    }
    SetCaptions();
}

void SlideStrip::ShowCompositeTabs()
{
    const QScopedValueRollback guard(m_rebuilding, true);
    const QSignalBlocker block(this);
    while (count() > 0)
        removeTab(count() - 1);
    for (const QString &caption : kCompositeTabs)
        addTab(caption);
}

void SlideStrip::Select(int tab)
{
    if (tab < 1 || tab > count())
        return;
    {
        const QScopedValueRollback guard(m_rebuilding, true);
        const QSignalBlocker block(this);
        setCurrentIndex(tab - 1);
    }
    chosen(tab);
}

void SlideStrip::chosen(int tab)
{
    const SlideSet &set = m_context.Set();
    if (set.SlideCount() == 0) {
        m_context.ClearCompositeGraph();
        return;
    }
    ViewState &view = m_context.View();
    if (m_context.IsCompositeView()) {
        if (tab >= 1 && tab <= kCompositeTabs.size() && view.CompositeView != tab) {
            m_context.DrawCompositeGraph(tab);
            view.CompositeView = uint8_t(tab);
        }
        return;
    }
    if (tab == set.CurrentSlide || tab < 1 || tab > set.SlideCount())
        return;
    // A count typed into the table belongs to the slide it was typed on.
    m_context.CommitPendingCell();
    if (!m_context.SlideFieldsCommitting()) {
        // A new position moves its slide in the order; the clicked tab is found
        // again by its slide's position, which is unique.
        const float clicked = set.Slides[tab].Position;
        m_context.CommitSlideFields();
        const int16_t moved = FindSlideAtPosition(set, clicked);
        // The commit selects the tab of the slide it moved; the strip shows the
        // clicked one again even when that kept its place.
        if (moved >= 1 && (moved != tab || currentIndex() != tab - 1)) {
            Select(moved);
            return;
        }
    }
    if (tab == set.CurrentSlide)
        return;
    update();
    m_context.SetCurrentSlide(int16_t(tab));
    m_context.RefreshCurrentSlide();
}

bool SlideStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            emit DeleteRequested();
            return true;
        }
    }
    return QTabBar::eventFilter(watched, event);
}
