#pragma once

#include "model/DoseResponse.h"

#include <QWidget>

class PictureBox;
class QComboBox;
class QPushButton;
class QTableWidget;
class WindowContext;

// The composite's fifth tab: how much deposit kills. The choices of hour, link
// and deposit measure above; the graph of mortality against deposit with the
// fitted curve, and beside it the table of the fit (or why there is none). The
// choices are kept in the settings; the fit follows every change of counts,
// cages or control data while the tab is on view.
class DoseResponseView : public QWidget
{
    Q_OBJECT
public:
    DoseResponseView(WindowContext &context, QWidget *parent);

    // The view over `area` (created on first use), sized to it.
    static DoseResponseView *Over(QWidget *area, WindowContext &context);

    // The fit of the set as it stands, drawn and tabled.
    void Refresh();
    const DoseResponseFit &Fit() const { return m_fit; }
    DoseResponseOptions Options() const { return m_options; }

    // Handlers, public so that tests can drive them as the operator would.
    void ChooseOptions(const DoseResponseOptions &options);
    void btnCopyDoseTable_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void draw();
    void fillTable();
    void showOptions();
    void optionsChosen();

    WindowContext &m_context;
    DoseResponseOptions m_options;
    DoseResponseFit m_fit;
    bool m_showing = false; // the combo boxes are being set, not chosen

    QComboBox *cmbDoseHour = nullptr;
    QComboBox *cmbDoseLink = nullptr;
    QComboBox *cmbDoseDeposit = nullptr;
    QPushButton *btnCopyDoseTable = nullptr;
    PictureBox *DoseGraph = nullptr;
    QTableWidget *DoseTable = nullptr;
};
