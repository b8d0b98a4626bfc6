#pragma once

#include <QGroupBox>

#include <array>
#include <cstdint>
#include <optional>

class MainFormContext;
class QLabel;
class QLineEdit;
class QPushButton;

// The frame frameMortality: the four cage-count boxes of the slide on view,
// their results, the warning without control data and the "Control Data" button.
class MortalityPanel : public QGroupBox
{
    Q_OBJECT
public:
    MortalityPanel(MainFormContext &context, QWidget *parent = nullptr);
    ~MortalityPanel() override;

    // Shows the cage counts and results of the slide on view (the document keeps
    // the results computed), after committing a count still typed for another.
    void ShowMortality();
    // The mortality part of enabling or disabling data entry; disabling also
    // empties the boxes and hides the results.
    void SetEntryEnabled(bool enabled);
    // The compact arrangement of the small-screen layout ("No control" over
    // "data entered").
    void SetCompact(bool compact);

    // Commits box i (1 … 4) as leaving it does.
    void CommitBox(int i);
    // Commits a count still being typed (before a save, say).
    void CommitPendingEdits();
    // The "Control Data" command: the control cage dialog, then the slide's results.
    void ShowControlData();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void setBoxEnabled(QLineEdit *box, bool enabled);
    void numberInCageChanged(const QString &text);
    bool commitTo(int i, int16_t slideIndex);
    void commitPendingTo(int16_t slideIndex);
    void enterPressed(int i);

    MainFormContext &m_context;
    std::array<QLineEdit *, 5> m_boxes{};  // txtMortality1 … 4
    std::array<QLabel *, 8> m_labels{};    // lblMortality1 … 7
    QPushButton *m_controlButton = nullptr;
    QLabel *m_warning = nullptr;
    QLabel *m_resultGap = nullptr; // the compact layout's line under the cage count
    bool m_entryEnabled = false;
    // The slide a count is being typed for, by its position (positions are
    // unique, indices move when slides are sorted): a slide change that does not
    // move the focus (a keyboard command) commits the count there rather than
    // dropping it or giving it to the slide now on view.
    std::optional<float> m_editPosition;
    int16_t editSlide() const;
};
