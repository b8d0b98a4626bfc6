#include "window/SlideStrip.h"

#include "window/WindowContext.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Tab changes made in view; more are made with the strip hidden.
constexpr int kChangesInView = 16;

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

// The tab bar lays out every tab at each tab added, removed or renamed while it
// is on view, which makes a strip of thousands of slides quadratic to build.
// Hidden, it only notes that the layout is due and lays out once when shown, with
// the chosen tab scrolled into sight. A change of a few tabs is made in view.
void SlideStrip::inOnePass(int changes, const std::function<void()> &change)
{
    const QScopedValueRollback guard(m_rebuilding, true);
    const QSignalBlocker block(this);
    const bool hideWhile = changes > kChangesInView && isVisible();
    const bool focused = hideWhile && hasFocus();
    if (hideWhile) {
        // Hiding the strip would hand its focus on to the next control.
        if (focused && parentWidget())
            parentWidget()->setFocus(Qt::OtherFocusReason);
        hide();
    }
    change();
    if (hideWhile) {
        show();
        if (focused)
            setFocus(Qt::OtherFocusReason);
    }
}

// Exactly `tabs` tabs captioned by `captionOf` (1-based): the existing tabs
// renamed where they differ, the rest added or removed at the end.
void SlideStrip::setTabs(int tabs, const std::function<QString(int)> &captionOf)
{
    std::vector<std::pair<int, QString>> renamed;
    for (int i = 0; i < std::min(tabs, count()); ++i) {
        QString text = captionOf(i + 1);
        if (tabText(i) != text)
            renamed.emplace_back(i, std::move(text));
    }
    const int changes = int(renamed.size()) + std::abs(count() - tabs);
    if (changes == 0)
        return;
    inOnePass(changes, [&] {
        // Tabs removed after the current one leave the current index alone,
        // where removing the current tab would choose another at every step.
        if (count() > tabs)
            setCurrentIndex(0);
        while (count() > tabs)
            removeTab(count() - 1);
        for (const auto &[tab, text] : renamed)
            setTabText(tab, text);
        while (count() < tabs)
            addTab(captionOf(count() + 1));
    });
}

void SlideStrip::SetCaptions()
{
    const SlideSet &set = m_context.Set();
    if (m_context.IsCompositeView() || set.SlideCount() == 0)
        return;
    const int tabs = count();
    setTabs(tabs, [this, &set, tabs](int tab) {
        return tab <= set.SlideCount() ? caption(tab) : tabText(tab - 1);
    });
}

void SlideStrip::ShowNoSlide()
{
    setTabs(1, [](int) { return QStringLiteral("<No Slide>"); });
}

void SlideStrip::Rebuild()
{
    const SlideSet &set = m_context.Set();
    if (set.SlideCount() == 0) {
        ShowNoSlide();
        return;
    }
    setTabs(set.SlideCount(), [this](int slide) { return caption(slide); });
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
    setTabs(int(kCompositeTabs.size()), [](int tab) { return kCompositeTabs[tab - 1]; });
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

QSize SlideStrip::tabSizeHint(int index) const
{
    const QString text = tabText(index);
    auto known = m_tabSizes.constFind(text);
    if (known == m_tabSizes.constEnd())
        known = m_tabSizes.insert(text, QTabBar::tabSizeHint(index));
    return *known;
}

// Captions are never elided: the smallest a tab may be is its size.
QSize SlideStrip::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void SlideStrip::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_tabSizes.clear();
    QTabBar::changeEvent(event);
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
