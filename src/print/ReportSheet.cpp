#include "ReportSheet.h"

#include "model/NumberText.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>

using namespace ReportGeometry;

namespace {

// Arial's line: ascent 0.905, descent 0.212 and the gap, in ems.
constexpr double kArialLineEms = 1.15;
constexpr int kMeasureDpi = 1200;

const QImage &measureDevice()
{
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        const int dotsPerMetre = qRound(kMeasureDpi / 0.0254);
        i.setDotsPerMeterX(dotsPerMetre);
        i.setDotsPerMeterY(dotsPerMetre);
        return i;
    }();
    return image;
}

constexpr double kCellGap = 0.1;             // least blank between two columns
constexpr double kTablePoints[] = {9, 8, 7, 6};

} // namespace

double LinePitch(double points)
{
    return points * kArialLineEms / 72.0;
}

double PaperTextWidth(const QString &text, double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    const QFontMetricsF metrics(font, &measureDevice());
    return metrics.horizontalAdvance(text) / kMeasureDpi;
}

QStringList WrapText(const QString &text, double width, double points, bool bold)
{
    QStringList lines;
    QString current;
    auto fits = [&](const QString &t) { return PaperTextWidth(t, points, bold) <= width; };
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        if (fits(joined)) {
            current = joined;
            continue;
        }
        if (!current.isEmpty())
            lines << current;
        current.clear();
        // A word wider than the line (a long number, a path) is broken inside it.
        while (!fits(word)) {
            int n = 1;
            while (n < word.size() && fits(word.left(n + 1)))
                ++n;
            lines << word.left(n);
            word = word.mid(n);
        }
        current = word;
    }
    if (!current.isEmpty() || lines.isEmpty())
        lines << current;
    return lines;
}

// --- ReportPage -------------------------------------------------------------------

double ReportPage::dpi() const
{
    return 1440.0 / s.TwipsPerPixelX();
}

int16_t ReportPage::pixels(double inches) const
{
    return static_cast<int16_t>(std::clamp(RoundHalfEven(inches * dpi()), 1.0, 1000.0));
}

void ReportPage::font(double points, bool bold, bool underline)
{
    SetReportFont(s, printer, points);
    s.FontBold = bold;
    s.FontUnderline = underline;
}

void ReportPage::pageScale()
{
    s.ScaleLeft = 0;
    s.ScaleTop = static_cast<float>(PageHeight);
    s.ScaleWidth = static_cast<float>(PageWidth);
    s.ScaleHeight = static_cast<float>(-PageHeight);
}

void ReportPage::textAt(const QString &text, double x, double top)
{
    s.CurrentX = x;
    s.CurrentY = top;
    s.Print(text, true);
}

void ReportPage::centred(const QString &text, double cx, double top)
{
    textAt(text, cx - s.TextWidth(text) / 2, top);
}

void ReportPage::centredOn(const QString &text, double cx, double lowerEdge)
{
    centred(text, cx, lowerEdge - s.TextHeight(text));
}

void ReportPage::centredAt(const QString &text, double cx, double cy)
{
    centred(text, cx, cy - s.TextHeight(text) / 2);
}

void ReportPage::rightAlignedAt(const QString &text, double right, double cy)
{
    textAt(text, right - s.TextWidth(text), cy - s.TextHeight(text) / 2);
}

void ReportPage::line(double x1, double y1, double x2, double y2, const QColor &colour)
{
    s.Line(x1, y1, x2, y2, colour);
}

void PageTitle(ReportPage &p, const QString &title, double lowerEdge, bool underline)
{
    p.font(16, true, underline);
    p.centredOn(title, CentreX, lowerEdge);
    p.s.FontUnderline = false;
    p.s.FontBold = false;
}

// --- flows ------------------------------------------------------------------------

std::vector<ReportSheet> Paginate(Flow flow)
{
    struct Placed
    {
        const FlowItem *Item;
        double Top;
    };
    auto items = std::make_shared<std::vector<FlowItem>>(std::move(flow.Items));
    std::vector<std::vector<Placed>> sheets(1);
    double y = flow.FirstTop;
    bool fresh = true; // nothing placed on this sheet yet
    const std::vector<FlowItem> &all = *items;
    for (size_t i = 0; i < all.size(); ++i) {
        // A heading and what it keeps with move as one block.
        double block = all[i].Height;
        for (size_t j = i; j + 1 < all.size() && all[j].KeepWithNext; ++j)
            block += all[j + 1].Height;
        if (!fresh && y - block < ContentBottom) {
            sheets.emplace_back();
            y = flow.NextTop;
            if (all[i].RepeatHead) {
                for (const FlowItem &head : *all[i].RepeatHead) {
                    sheets.back().push_back({&head, y});
                    y -= head.Height;
                }
            }
        }
        sheets.back().push_back({&all[i], y});
        y -= all[i].Height;
        fresh = false;
        // The rest of a kept block follows without a break.
        while (all[i].KeepWithNext && i + 1 < all.size()) {
            ++i;
            sheets.back().push_back({&all[i], y});
            y -= all[i].Height;
        }
    }

    std::vector<ReportSheet> result;
    for (size_t k = 0; k < sheets.size(); ++k) {
        result.push_back({[items, start = flow.Start, placed = sheets[k], k](ReportPage &p) {
            if (start)
                start(p, int(k));
            for (const Placed &item : placed)
                item.Item->Draw(p, item.Top);
        }});
    }
    return result;
}

FlowItem BlankLine(double points)
{
    return {LinePitch(points), [](ReportPage &, double) {}};
}

std::vector<FlowItem> Paragraph(const QString &text, double points, double left, double right, bool bold)
{
    std::vector<FlowItem> items;
    for (const QString &line : WrapText(text, right - left, points, bold)) {
        items.push_back({LinePitch(points), [line, points, left, bold](ReportPage &p, double top) {
                             p.font(points, bold);
                             p.textAt(line, left, top);
                             p.s.FontBold = false;
                         }});
    }
    return items;
}

// --- tables -----------------------------------------------------------------------

namespace {

std::vector<double> tableWidths(const TextTable &t, double points)
{
    std::vector<double> widths;
    for (int c = 0; c < t.Names.size(); ++c) {
        double w = std::max(PaperTextWidth(t.Names[c], points, true),
                            PaperTextWidth(c < t.Units.size() ? t.Units[c] : QString(), points, true));
        for (const QStringList &row : t.Rows)
            w = std::max(w, PaperTextWidth(row.value(c), points));
        if (t.Closing)
            w = std::max(w, PaperTextWidth(t.Closing->value(c), points, true));
        widths.push_back(w);
    }
    return widths;
}

double across(const std::vector<double> &widths)
{
    double sum = 0;
    for (double w : widths)
        sum += w;
    return sum + kCellGap * double(widths.size() - 1);
}

// A row of cells, each right-aligned in its column unless marked otherwise.
struct RowDrawer
{
    QStringList Cells;
    std::vector<double> Lefts, Widths;
    std::vector<bool> LeftAligned;
    double Points;
    bool Bold;

    void operator()(ReportPage &p, double top) const
    {
        p.font(Points, Bold);
        for (int c = 0; c < Cells.size() && size_t(c) < Lefts.size(); ++c) {
            const bool fromLeft = size_t(c) < LeftAligned.size() && LeftAligned[size_t(c)];
            const double x = fromLeft ? Lefts[size_t(c)] : Lefts[size_t(c)] + Widths[size_t(c)] - p.s.TextWidth(Cells[c]);
            p.textAt(Cells[c], x, top);
        }
        p.s.FontBold = false;
    }
};

FlowItem rule(double left, double right, double height, bool heavy)
{
    // The rule lies in the middle of its own little band.
    return {height, [=](ReportPage &p, double top) {
                p.s.DrawWidth = heavy ? p.heavy() : p.thin();
                p.line(left, top - height / 2, right, top - height / 2);
                p.s.DrawWidth = p.thin();
            }};
}

} // namespace

double TextTablePoints(const TextTable &table)
{
    for (double points : kTablePoints)
        if (across(tableWidths(table, points)) <= TextRight - TextLeft)
            return points;
    return kTablePoints[std::size(kTablePoints) - 1];
}

void AppendTextTable(std::vector<FlowItem> &items, const TextTable &table)
{
    const double points = TextTablePoints(table);
    const std::vector<double> widths = tableWidths(table, points);
    // The spare width spreads over the gaps, so the table spans the text width.
    const double gap = std::max(kCellGap, (TextRight - TextLeft - (across(widths) - kCellGap * double(widths.size() - 1))) /
                                              std::max<double>(1, double(widths.size() - 1)));
    std::vector<double> lefts;
    double x = TextLeft;
    for (double w : widths) {
        lefts.push_back(x);
        x += w + gap;
    }
    const double right = widths.empty() ? TextRight : lefts.back() + widths.back();
    const double line = LinePitch(points);
    auto row = [&](const QStringList &cells, bool bold, std::vector<bool> leftAligned) {
        return FlowItem{line, RowDrawer{cells, lefts, widths, std::move(leftAligned), points, bold}};
    };

    auto head = std::make_shared<std::vector<FlowItem>>();
    head->push_back(rule(TextLeft, right, line * 0.5, true));
    head->push_back(row(table.Names, true, table.LeftAligned));
    head->push_back(row(table.Units, true, table.LeftAligned));
    head->push_back(rule(TextLeft, right, line * 0.5, false));
    for (FlowItem &h : *head)
        h.KeepWithNext = true;

    // The heading goes with the first row; every row brings it back on a new sheet.
    items.insert(items.end(), head->begin(), head->end());
    for (const QStringList &cells : table.Rows) {
        FlowItem item = row(cells, false, table.LeftAligned);
        item.RepeatHead = head;
        items.push_back(std::move(item));
    }
    if (table.Closing) {
        FlowItem closingRule = rule(TextLeft, right, line * 0.5, false);
        closingRule.KeepWithNext = true;
        closingRule.RepeatHead = head;
        items.push_back(std::move(closingRule));
        std::vector<bool> nameFromLeft = table.LeftAligned;
        if (!nameFromLeft.empty())
            nameFromLeft[0] = true;
        FlowItem closing = row(*table.Closing, true, nameFromLeft);
        closing.KeepWithNext = true; // with the rule that ends the table
        items.push_back(std::move(closing));
    }
    items.push_back(rule(TextLeft, right, line * 0.5, true));
}
