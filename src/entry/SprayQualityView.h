#pragma once

#include "model/SprayQuality.h"
#include "shell/Settings.h"

#include <QWidget>

#include <cstdint>

class MainFormContext;
class QLabel;
class QPushButton;
class QTableWidget;
class QThread;
struct SprayQualityTexts;

// The composite's fourth tab: the spray quality table over the graph area, one
// row per slide and the composite in bold, with the label verdict beneath.
// The figures show at once; the counting intervals take up to a second for a
// large line and are resampled on a worker thread from a copy of the set, a
// newer request superseding one still running.
class SprayQualityView : public QWidget
{
    Q_OBJECT
public:
    SprayQualityView(MainFormContext &context, const SettingsStore &store, QWidget *parent);
    ~SprayQualityView() override;

    // The view over `area` (created on first use), sized to it.
    static SprayQualityView *Over(QWidget *area, MainFormContext &context, const SettingsStore &store);

    // The figures of the set as it stands now, the intervals to follow.
    void Refresh();
    bool IntervalsPending() const { return m_pending; }
    const SprayQualityTable &Table() const { return m_table; }

    // Handlers, public so that tests can drive them as a click would.
    void btnLabelLimits_Click();
    void btnCopyTable_Click();

signals:
    // The intervals of the latest request are on view.
    void IntervalsShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void StartIntervals();
    void Fill();
    void fixIntervalColumns(const SprayQualityTexts &texts);

    MainFormContext &m_context;
    SettingsStore m_store;
    LabelLimits m_limits;
    SprayQualityTable m_table;
    bool m_pending = false;
    uint64_t m_request = 0;      // the latest request; older results are dropped
    QThread *m_worker = nullptr; // at most one at a time

    QTableWidget *SprayQualityGrid = nullptr;
    QLabel *lblIntervalNote = nullptr;
    QLabel *lblLabelLimits = nullptr;
    QLabel *lblVerdict = nullptr;
    QLabel *lblToDecide = nullptr; // under a verdict not decided: the drops that would decide it
    QPushButton *btnLabelLimits = nullptr;
    QPushButton *btnCopyTable = nullptr;
};
