#include "window/DropEntryFrame.h"

#include "entry/NumericKeyFilter.h"
#include "entry/SlideSetDocument.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

DropEntryFrame::DropEntryFrame(WindowContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("Data Entry"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameDataEntry"));
    lblDataEntry = named(new QLabel(QStringLiteral("&Enter a new droplet size (in EPD):"), this),
                         QStringLiteral("lblDataEntry"));
    txtDataEntry = named(new QLineEdit(this), QStringLiteral("txtDataEntry"));
    lblDataEntry->setBuddy(txtDataEntry);
    // Whole divisions only: no separator, no sign.
    m_field = new EntryFieldBehaviour(txtDataEntry, FieldTyping::Whole, context.Format().decimalSeparator(), this);
    m_field->onEnter = [this] { commitDrop(); };
    // A click on the frame or its caption is aimed at the box.
    installEventFilter(this);
    lblDataEntry->installEventFilter(this);
}

DropEntryFrame::~DropEntryFrame()
{
    m_field->Detach();
}

int DropEntryFrame::CaptionWidth(const QFontMetrics &fm) const
{
    return fm.horizontalAdvance(lblDataEntry->text());
}

void DropEntryFrame::Arrange(int width, int lineHeight)
{
    lblDataEntry->setWordWrap(false);
    lblDataEntry->setGeometry(10, 20, width - 20, lineHeight - 4);
    txtDataEntry->setGeometry(10, 18 + lineHeight, 60, lineHeight);
}

int DropEntryFrame::ArrangeNarrow(int width, int lineHeight)
{
    lblDataEntry->setWordWrap(true);
    const int captionHeight = lblDataEntry->heightForWidth(width - 16);
    lblDataEntry->setGeometry(8, 18, width - 16, captionHeight);
    txtDataEntry->setGeometry(8, lblDataEntry->geometry().bottom() + 1 + 4, 60, lineHeight);
    return 18 + captionHeight + 4 + lineHeight + 8;
}

void DropEntryFrame::SetEntryEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(this), static_cast<QWidget *>(lblDataEntry),
                       static_cast<QWidget *>(txtDataEntry)})
        w->setEnabled(enabled);
    SetBoxColour(txtDataEntry, enabled);
}

void DropEntryFrame::FocusField()
{
    txtDataEntry->setFocus(Qt::OtherFocusReason);
}

void DropEntryFrame::commitDrop()
{
    const SlideSet &set = m_context.Set();
    const QString text = txtDataEntry->text();
    int32_t size = 0;
    if (!text.isEmpty() && set.CurrentSlide >= 1 && m_context.Format().ToInt32(text, size) == ParseStatus::Ok
        && size >= 1 && size <= set.Params.MaxSizeEPD) {
        // A class already holding 32767 drops refuses another, like a size off the
        // reticule: the count never wraps.
        if (m_context.Document().AddDrop(0, int16_t(size)) == CountResult::Ok) {
            m_context.RefreshCurrentSlide();
            m_context.ShowSizeClass(size);
        }
    }
    txtDataEntry->clear();
}

bool DropEntryFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == this || watched == lblDataEntry)
        && txtDataEntry->isEnabled())
        txtDataEntry->setFocus(Qt::MouseFocusReason);
    return QGroupBox::eventFilter(watched, event);
}
