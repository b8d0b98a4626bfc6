#pragma once

#include "ReportPages.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// What the page drawers share: the page geometry, a drawing helper over the
// surface, the sheets a page kind lays out, and a flow that runs content down
// a page and onto as many further sheets as it needs.

namespace ReportGeometry {
// Inches from the left and bottom edges of a US Letter sheet.
inline constexpr double PageWidth = 8.5;
inline constexpr double PageHeight = 11;
inline constexpr double CentreX = 4.25;
inline constexpr double BannerTop = 10.5;
inline constexpr double TitleLowerEdge = 9.5625;
inline constexpr double TextLeft = 0.75;   // margins of text pages
inline constexpr double TextRight = 7.75;
inline constexpr double ContentBottom = 0.75; // the lowest a flow may reach: the footer lies below
inline constexpr double FooterTop = 0.45;
} // namespace ReportGeometry

// Line pitch of report type: the height of a line of Arial (ascent, descent
// and gap) at `points`, in inches. Fixed rather than measured on the device,
// so that paper, PDF, preview and image break lines and pages alike.
double LinePitch(double points);

// Width in inches of `text` in "Arial" at `points` as paper sets it; measured
// once at the printer's resolution, so the layout does not depend on the
// device a page is later drawn on.
double PaperTextWidth(const QString &text, double points, bool bold = false);

// `text` broken at blanks into lines no wider than `width` inches at `points`;
// a word wider than a line is broken inside. Nothing is dropped: joined with
// single blanks the lines give back the words of the text.
QStringList WrapText(const QString &text, double width, double points, bool bold = false);

// One page being drawn: the surface, whether it is paper, and what is printed.
struct ReportPage
{
    DrawingSurface &s;
    bool printer;
    const ReportData &d;

    double dpi() const;
    int16_t pixels(double inches) const;
    // Hairlines of a high-resolution printer vanish on paper: frames, ticks and
    // grid lines take half a point there, one pixel in the preview.
    int16_t thin() const { return printer ? pixels(1.0 / 144) : 1; }
    int16_t data() const { return printer ? pixels(1.0 / 32) : 3; }
    int16_t heavy() const { return printer ? pixels(1.0 / 48) : 2; }

    void font(double points, bool bold = false, bool underline = false);
    void pageScale();

    // Text placed by its top-left corner, staying on the line.
    void textAt(const QString &text, double x, double top);
    void centred(const QString &text, double cx, double top);
    // Text heights are negative in the upward scale: top = lower edge − height.
    void centredOn(const QString &text, double cx, double lowerEdge);
    void centredAt(const QString &text, double cx, double cy);
    void rightAlignedAt(const QString &text, double right, double cy);
    void line(double x1, double y1, double x2, double y2, const QColor &colour = Qt::black);
};

// A page title, 16 points bold, centred, its lower edge at `lowerEdge`.
void PageTitle(ReportPage &p, const QString &title, double lowerEdge, bool underline = true);

// One sheet of paper of the report: the banner and the footer are drawn around
// it by PrintSub.
struct ReportSheet
{
    std::function<void(ReportPage &)> Draw;
};

// A page kind: the sheets it needs for this report (none, one, or a run of
// them for a table that continues). Laid out once per report.
using PageKind = std::vector<ReportSheet> (*)(const ReportData &data);

// A piece of flowing content: its height and how to draw it with its top edge
// at a given y.
struct FlowItem
{
    FlowItem() = default;
    FlowItem(double height, std::function<void(ReportPage &, double top)> draw)
        : Height(height), Draw(std::move(draw))
    {
    }

    double Height = 0;
    std::function<void(ReportPage &, double top)> Draw;
    // A heading stays on the same sheet as what follows it.
    bool KeepWithNext = false;
    // Table rows carry their table's heading: a row that starts a new sheet
    // has the heading drawn above it again.
    std::shared_ptr<const std::vector<FlowItem>> RepeatHead;
};

// Content running down the sheets of one page kind. `start` draws what every
// sheet of the kind begins with (its title; `sheet` counts from 0 so that a
// continuation can say so) and the content runs from `firstTop` on the first
// sheet, `nextTop` on the others, down to ReportGeometry::ContentBottom.
struct Flow
{
    std::function<void(ReportPage &, int sheet)> Start;
    double FirstTop = 0;
    double NextTop = 0;
    std::vector<FlowItem> Items;
};
std::vector<ReportSheet> Paginate(Flow flow);

// A blank line of type at `points`.
FlowItem BlankLine(double points);
// A paragraph of plain text wrapped between `left` and `right`, one item per
// line so that it may break across sheets.
std::vector<FlowItem> Paragraph(const QString &text, double points, double left, double right, bool bold = false);

// A table of text cells: a heading of one or two lines per column, rows, and
// an optional bold closing row (the composite) under a rule. The type is the
// largest of 9, 8, 7 and 6 points at which the widest row fits between the
// text margins; the rows continue onto further sheets with the heading
// repeated.
struct TextTable
{
    QStringList Names;
    QStringList Units;
    std::vector<QStringList> Rows;
    std::optional<QStringList> Closing;
    std::vector<bool> LeftAligned; // per column; figures stand on their right edge
};
double TextTablePoints(const TextTable &table);
void AppendTextTable(std::vector<FlowItem> &items, const TextTable &table);
