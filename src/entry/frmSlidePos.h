#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class NumberFormat;
struct SlideSet;

// Asks for a new slide's position across the spray line. Answered only by Enter
// (a position no other slide holds) or Escape.
class frmSlidePos : public QDialog
{
    Q_OBJECT
public:
    frmSlidePos(const SlideSet &set, const NumberFormat &format, QWidget *parent = nullptr);

    float SlidePos = 0;
    bool Cancelled = true;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void ToggleSign();
    void Commit();

    const SlideSet &m_set;
    const NumberFormat &m_format;
    QLineEdit *txtSlidePos = nullptr;
    QLabel *lblUnit = nullptr;
};
