#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

class QPaintDevice;

// Registers the substitutes for the font names the graphs and the report ask for
// ("Arial", "MS Sans Serif", "Small Fonts"), so that drawing code can keep those
// names on machines that do not have them. Call once after the application object
// exists; calling again does no harm.
void RegisterFontSubstitutes();

// The user scale of a surface, with the conversions a window needs after a graph
// has been drawn (mouse read-outs, placing labels over the picture).
struct UserScale
{
    double Left = 0;
    double Top = 0;
    double Width = 1;
    double Height = 1;
    QSize Pixels;  // device size the scale spans

    double ToPixelX(double x) const;
    double ToPixelY(double y) const;
    double ToUserX(double px) const;
    double ToUserY(double py) const;
};

// A drawing destination with the state of a picture box: a user scale, a current
// position that text is printed from, colours, fill and line styles and a current
// font. Backed by a QPainter on any paint device (an image, a widget's backing
// image, a PDF writer, a printer page), so that one graph procedure serves screen
// and paper. Pixel and twip sizes come from the device's logical resolution.
//
// Coordinates in Line/Box/Circle/Print are user units; Polygon takes device
// pixels. Drawing is aliased so that every pixel lands where the scale puts it.
class DrawingSurface
{
public:
    enum class Unit { User, Twips, Pixels };
    enum class Fill { Solid, Transparent };
    enum class Style { Solid, Dash, Dot };

    // The painter is active from here to End() or destruction. `outerHeightPixels`
    // is the height of the box with its border, when the device is only the inside
    // of a bordered box (0: the device height).
    explicit DrawingSurface(QPaintDevice *device, int outerHeightPixels = 0);
    ~DrawingSurface();
    DrawingSurface(const DrawingSurface &) = delete;
    DrawingSurface &operator=(const DrawingSurface &) = delete;

    bool IsActive() const { return m_painter.isActive(); }

    // --- scale -----------------------------------------------------------------
    float ScaleLeft = 0;
    float ScaleTop = 0;
    float ScaleWidth = 0;   // 0 until set: the device's width in pixels is used
    float ScaleHeight = 0;
    UserScale Scale() const;

    double CurrentX = 0;
    double CurrentY = 0;

    // --- colours and styles ------------------------------------------------------
    QColor ForeColor = Qt::black;
    QColor BackColor = Qt::white;
    QColor FillColor = Qt::black;
    Fill FillStyle = Fill::Transparent;
    int16_t DrawWidth = 1;
    Style DrawStyle = Style::Solid;

    // --- current font (kept as given; the device maps it) ------------------------
    QString FontName = QStringLiteral("MS Sans Serif");
    double FontSize = 8;
    bool FontBold = false;
    bool FontUnderline = false;
    QFont CurrentFont() const;

    // --- device ------------------------------------------------------------------
    int WidthPixels() const;
    int HeightPixels() const;
    int OuterHeightPixels() const;
    double TwipsPerPixelX() const;
    double TwipsPerPixelY() const;
    double Width() const { return WidthPixels() * TwipsPerPixelX(); }   // twips
    double Height() const { return HeightPixels() * TwipsPerPixelY(); } // twips

    // Lengths between units; a negative ScaleHeight makes vertical user lengths
    // and pixel lengths opposite in sign.
    double ScaleX(double length, Unit from, Unit to) const;
    double ScaleY(double length, Unit from, Unit to) const;

    // Positions (not lengths) between user units and device pixels.
    double PixelX(double x) const;
    double PixelY(double y) const;
    double UserX(double px) const;
    double UserY(double py) const;

    // --- operations --------------------------------------------------------------
    void Cls();
    void Line(double x1, double y1, double x2, double y2);
    void Line(double x1, double y1, double x2, double y2, const QColor &colour);
    // Second point relative to the first.
    void LineRelative(double x1, double y1, double dx, double dy);
    void Box(double x1, double y1, double x2, double y2);
    void Box(double x1, double y1, double x2, double y2, const QColor &colour);
    void Circle(double x, double y, double radius);
    void Polygon(const std::vector<QPoint> &devicePoints);
    // `count` four-cornered polygons, corners consecutive, drawn one after the
    // other as Polygon draws each, with the pen and brush set once.
    void Quads(const QPoint *corners, int count);

    // Text at (CurrentX, CurrentY), its top-left corner. Afterwards CurrentY moves
    // down one text height and CurrentX goes back to x = 0 of the user scale, or,
    // with stayOnLine, CurrentX moves right by the text's width.
    void Print(const QString &text, bool stayOnLine = false);
    double TextWidth(const QString &text) const;  // user units
    double TextHeight(const QString &text) const; // user units (negative for an upward scale)

    // Paged devices only (PDF writer, printer).
    bool NewPage();
    void EndDoc();
    void End();

    QPainter &Painter() { return m_painter; }

private:
    friend QFont RotatedTextFont(const DrawingSurface &surface);
    friend void RotatedText(DrawingSurface &surface, const QString &text, int16_t angle, double x, double y);

    QPen pen(const QColor &colour) const;
    QBrush brush() const;
    QPoint devicePoint(double x, double y) const;
    double scaleWidth() const;
    double scaleHeight() const;
    void drawTextAt(const QFont &font, const QString &text, double px, double py);

    QPaintDevice *m_device;
    QPainter m_painter;
    int m_outerHeight;
};

// The font RotatedText makes: bold Arial, its character height the surface's font
// size rounded to whole points (halves to even) converted to device pixels.
QFont RotatedTextFont(const DrawingSurface &surface);

// Text turned `angle` degrees counter-clockwise about (x, y), which is the corner
// that is top-left before turning: 90 reads upward with the text body right of x,
// 270 reads downward with the body left of x. The surface's font is not changed.
void RotatedText(DrawingSurface &surface, const QString &text, int16_t angle, double x, double y);
