#pragma once

#include <QGroupBox>

class EntryFieldBehaviour;
class QFontMetrics;
class QLabel;
class QLineEdit;
class WindowContext;

// The frame frameDataEntry: the drop box txtDataEntry, where each size typed and
// entered with Enter counts one drop on the slide on view.
class DropEntryFrame : public QGroupBox
{
    Q_OBJECT
public:
    DropEntryFrame(WindowContext &context, QWidget *parent);
    ~DropEntryFrame() override;

    // The width the caption needs in the window's font.
    int CaptionWidth(const QFontMetrics &fm) const;
    // The caption on one line over the box, in a frame `width` wide.
    void Arrange(int width, int lineHeight);
    // The caption wrapped over the box in a narrow column `width` wide; the
    // height the frame needs.
    int ArrangeNarrow(int width, int lineHeight);

    void SetEntryEnabled(bool enabled);
    void FocusField();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void commitDrop();

    WindowContext &m_context;
    QLabel *lblDataEntry = nullptr;
    QLineEdit *txtDataEntry = nullptr;
    EntryFieldBehaviour *m_field = nullptr;
};
