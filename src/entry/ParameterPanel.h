#pragma once

#include "model/SlideSet.h"

#include <QGroupBox>

#include <array>

class MainFormContext;
class EntryFieldBehaviour;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

// The "Analysis Parameters" frame: the tab strip tabParameters with its five
// frames (Sprayer, Optics, Meteorology, Product, Units), their fields, labels and
// unit labels, the optics commits and the unit system.
class ParameterPanel : public QGroupBox
{
    Q_OBJECT
public:
    ParameterPanel(MainFormContext &context, QWidget *parent = nullptr);
    ~ParameterPanel() override;

    // Empties the descriptive fields (and their texts in the slide set) and
    // refills the optics fields from the current parameters.
    void ResetFields();
    // Writes every field and the unit option from the slide set (after a load).
    void ShowParameters();
    // This panel's unit captions and the scan-length field, for the current system.
    void ApplyUnitLabels();
    // The compact arrangement of the small-screen layout.
    void SetCompact(bool compact);
    // Brings frameParamInfo(n) to the front (n = 1 … 5).
    void SelectTab(int n);

    // Commits the optics field i (1 … 4) as leaving it does.
    void CommitOptics(int i);
    // Commits whatever optics text is still being typed (before a save, say).
    void CommitPendingEdits();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildSprayer(QFrame *frame);
    void buildOptics(QFrame *frame);
    void buildMeteorology(QFrame *frame);
    void buildProduct(QFrame *frame);
    void buildUnits(QFrame *frame);
    QLineEdit *makeField(const QString &name, QWidget *parent);
    QLabel *makeLabel(const QString &name, const QString &caption, QWidget *parent);
    void connectText(QLineEdit *field, QString ParameterTexts::*text);

    void commitScanLength();
    void commitMaxSizeEPD();
    void commitMicronsPerEPD();
    void commitSpreadFactor();
    void restoreOptics(int i);
    void showRecomputed();
    void unitOptionChosen(int n);
    void moveToTab(int n, QWidget *focus);

    MainFormContext &m_context;
    QTabWidget *m_tabs = nullptr;
    std::array<QFrame *, 6> m_frames{};       // 1 … 5
    std::array<QLineEdit *, 6> m_sprayer{};   // 1 … 5
    std::array<QLineEdit *, 5> m_optics{};    // 1 … 4
    std::array<QLineEdit *, 5> m_met{};       // 0 … 4
    std::array<QLineEdit *, 3> m_product{};   // 1 … 2
    std::array<QRadioButton *, 2> m_units{};  // 0 U.S., 1 Metric
    QLabel *m_sprayerHeightUnit = nullptr;    // lblSprayer6
    QLabel *m_scanLengthUnit = nullptr;       // lblOptics5
    QLabel *m_metHeightUnit = nullptr;        // lblMet5
    QLabel *m_temperatureUnit = nullptr;      // lblMet7
    QLabel *m_windSpeedUnit = nullptr;        // lblMet8
    QLabel *m_sprayRateUnit = nullptr;        // lblProduct3
    bool m_committing = false;
};
