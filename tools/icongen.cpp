// icongen: draws the instrument's button pictures at build time and writes a
// resource file that lists them.
//
//   icongen OUTDIR QRCFILE
//
// Every picture is written as OUTDIR/Resources/Icons/<folder>/<name><suffix>.png
// and listed in QRCFILE (prefix "/", paths relative to OUTDIR), so the program
// opens it as ":/Resources/Icons/<folder>/<name><suffix>.png"; the main
// page's six released pictures and the status bar's icons, which its first
// frame draws, end in ".bmp" instead.
//
// The pictures are described by two tables: kKinds says how a kind of button
// looks (size, the files of its states, room for a text line), kIcons names
// each picture with its kind and the function that draws its pictogram. A new
// picture is one more row in kIcons; a new kind of button one more row in
// kKinds.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QSaveFile>
#include <QSet>
#include <QtEndian>
#include <QTextStream>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

// Colours of one button state.
struct Palette
{
    QColor tileTop;
    QColor tileBottom;
    QColor border;
    QColor ink; // the pictogram
};

// Released: a dark tile with a white pictogram. Pressed: the tile lights up
// in the highlight colour, so the finger sees the press; the button's text
// stays white on both.
const Palette kReleased{QColor(0x40, 0x40, 0x40), QColor(0x18, 0x18, 0x18), QColor(0x70, 0x70, 0x70),
                        Qt::white};
const Palette kPressed{QColor(0x3d, 0x8f, 0xe0), QColor(0x12, 0x4f, 0x96), Qt::white, Qt::white};

// Pictograms without a tile (kinds with tile false): only the ink counts.
// White on the black screen, black on a lit pressed key, green for accept
// and red for cancel on the keyboard.
const Palette kInkWhite{Qt::transparent, Qt::transparent, Qt::transparent, Qt::white};
const Palette kInkBlack{Qt::transparent, Qt::transparent, Qt::transparent, Qt::black};
const Palette kInkGreen{Qt::transparent, Qt::transparent, Qt::transparent, QColor(0x2f, 0xc0, 0x4a)};
const Palette kInkRed{Qt::transparent, Qt::transparent, Qt::transparent, QColor(0xe0, 0x30, 0x30)};
const Palette kInkBlue{Qt::transparent, Qt::transparent, Qt::transparent, QColor(0x3d, 0x8f, 0xe0)};
const Palette kInkGrey{Qt::transparent, Qt::transparent, Qt::transparent, QColor(0xa0, 0xa0, 0xa0)};

struct State
{
    const char *suffix; // appended to the picture's name, before ".png"
    const Palette *palette;
};

// How one kind of button is drawn.
struct Kind
{
    const char *id;
    int width;
    int height;
    int textLine;      // pixels kept free at the bottom for the button's text
    double cornerRadius;
    std::vector<State> states;
    // false: the pictogram alone on a transparent picture, drawn into the
    // whole picture (the button's style gives the background).
    bool tile = true;
};

const std::vector<Kind> kKinds = {
    // Main-page function buttons: picture above one bottom line of text.
    {"main", 150, 120, 30, 10.0, {{"_ws", &kReleased}, {"_sw", &kPressed}}},
    // Dialog-frame buttons of the 54 px menu column.
    {"frame44", 44, 44, 0, 6.0, {{"_ws_44px", &kReleased}, {"_sw_44px", &kPressed}}},
    // Icons of the confirmation pop-up and of the settings.
    {"icon40", 40, 40, 0, 0.0, {{"_ws_40px", &kInkWhite}}, false},
    // Function keys of the on-screen keyboard.
    {"key25", 25, 25, 0, 0.0, {{"_ws_25px", &kInkWhite}, {"_sw_25px", &kInkBlack}}, false},
    {"accept40", 40, 40, 0, 0.0, {{"_gn_40px", &kInkGreen}}, false},
    {"cancel25", 25, 25, 0, 0.0, {{"_rt_25px", &kInkRed}}, false},
    // Firmware update: the unit buttons and the confirm page's buttons.
    {"tile150", 150, 150, 30, 10.0, {{"_150px", &kReleased}}},
    {"cancel40", 40, 40, 0, 0.0, {{"_rt_40px", &kInkRed}}, false},
    // Two- and three-position slide switches, one station every 40 px.
    {"switch2", 40, 80, 0, 0.0, {{"_2x40px", &kInkWhite}}, false},
    {"switch3", 40, 120, 0, 0.0, {{"_3x40px", &kInkWhite}}, false},
    // Flags of the language choice: their own colours, no ink.
    {"flag", 60, 40, 0, 0.0, {{"", &kInkWhite}}, false},
    // Six-position selector switch, one station every 38 px.
    {"switch6", 40, 228, 0, 0.0, {{"_6x38px", &kInkWhite}}, false},
    // Small pictogram buttons: white, lit blue while pressed.
    {"icon30", 30, 30, 0, 0.0, {{"_ws_30px", &kInkWhite}, {"_sw_30px", &kInkBlue}}, false},
    // Status-bar symbols, 20 px high: green while the device is active, red
    // while it is not; white and blue ones have a single state.
    {"bar20", 20, 20, 0, 0.0, {{"_gn_20px", &kInkGreen}, {"_rt_20px", &kInkRed}}, false},
    {"bar20ws", 20, 20, 0, 0.0, {{"_ws_20px", &kInkWhite}}, false},
    {"bar20bl", 24, 20, 0, 0.0, {{"_bl_20px", &kInkBlue}}, false},
    {"bar20plain", 20, 20, 0, 0.0, {{"_20px", &kInkWhite}}, false},
    // Symbols of the message box: their own colours, no ink.
    {"dialog60", 60, 60, 0, 0.0, {{"", &kInkWhite}}, false},
    // The world map of the time-zone choice and the marker over one zone.
    {"worldmap", 400, 200, 0, 0.0, {{"", &kInkWhite}}, false},
    {"zonemarker", 17, 200, 0, 0.0, {{"", &kInkWhite}}, false},
    // Instruction pictures of the pairing dialog.
    {"info300", 300, 55, 0, 0.0, {{"", &kInkWhite}}, false},
    // Settings-screen buttons: white, blue while pressed (the favourite's
    // white picture is the confirmation pop-up's, so it gets only the blue).
    {"setting40", 40, 40, 0, 0.0, {{"_ws_40px", &kInkWhite}, {"_sw_40px", &kInkBlue}}, false},
    {"setting40sw", 40, 40, 0, 0.0, {{"_sw_40px", &kInkBlue}}, false},
    // Check boxes of the display options and the power key of their start-up page.
    {"check44", 44, 44, 0, 0.0, {{"_44px", &kInkWhite}}, false},
    {"plain50", 50, 50, 0, 0.0, {{"_50px", &kInkWhite}}, false},
    // Pinpointing: the leak drop, the filter-type symbol and the marker of
    // the next listening position.
    {"drop30", 30, 45, 0, 0.0, {{"_bl_30px", &kInkBlue}}, false},
    {"pipe30", 30, 10, 0, 0.0, {{"_sw_30px", &kInkWhite}}, false},
    {"filter40", 40, 40, 0, 0.0, {{"_gr_40px", &kInkGrey}}, false},
    {"marker37", 37, 155, 0, 0.0, {{"_ws_37px", &kInkWhite}}, false},
};

// Draws a pictogram into box (a square) with the given ink.
using Draw = std::function<void(QPainter &, const QRectF &box, const QColor &ink)>;

// Pen whose width scales with the pictogram.
QPen inkPen(const QRectF &box, const QColor &ink, double share = 0.07)
{
    QPen pen(ink, std::max(1.5, box.width() * share));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPointF at(const QRectF &box, double fx, double fy)
{
    return {box.left() + fx * box.width(), box.top() + fy * box.height()};
}

// A crosshair over two rings with a dot in the middle: pinpointing.
void drawTarget(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QPointF c = box.center();
    const double r = box.width() / 2;
    p.setPen(inkPen(box, ink, 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.78, r * 0.78);
    p.drawEllipse(c, r * 0.42, r * 0.42);
    const double gap = r * 0.18;
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() - gap, c.y()));
    p.drawLine(QPointF(c.x() + gap, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() - gap));
    p.drawLine(QPointF(c.x(), c.y() + gap), QPointF(c.x(), c.y() + r));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, r * 0.08, r * 0.08);
}

// Bars rising from left to right, the last ones only outlined: a level meter.
void drawLevelMeter(QPainter &p, const QRectF &box, const QColor &ink)
{
    const int bars = 7;
    const int lit = 5;
    const double slot = box.width() / bars;
    const double barWidth = slot * 0.62;
    QPen outline = inkPen(box, ink, 0.035);
    outline.setCapStyle(Qt::SquareCap);
    for (int i = 0; i < bars; ++i) {
        const double h = box.height() * (0.22 + 0.78 * i / (bars - 1));
        const QRectF bar(box.left() + i * slot + (slot - barWidth) / 2, box.bottom() - h, barWidth, h);
        if (i < lit) {
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawRect(bar);
        } else {
            p.setPen(outline);
            p.setBrush(Qt::NoBrush);
            p.drawRect(bar.adjusted(outline.widthF() / 2, outline.widthF() / 2, -outline.widthF() / 2, 0));
        }
    }
}

// Two axes and a level trend over time with its sample points: long-term
// measurement.
void drawTrend(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.05));
    p.drawPolyline(QPolygonF({at(box, 0.05, 0.02), at(box, 0.05, 0.95), at(box, 1.0, 0.95)}));

    const QPolygonF trend({at(box, 0.15, 0.62), at(box, 0.32, 0.45), at(box, 0.48, 0.55),
                           at(box, 0.65, 0.28), at(box, 0.80, 0.36), at(box, 0.95, 0.12)});
    p.setPen(inkPen(box, ink, 0.06));
    p.drawPolyline(trend);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (const QPointF &pt : trend)
        p.drawEllipse(pt, box.width() * 0.05, box.width() * 0.05);
}

// "H" with a subscript "2", stroked so that the picture does not depend on the
// fonts of the build machine.
void drawH2(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.09));
    // H in the left two thirds, full height.
    const QRectF h(r.left(), r.top(), r.width() * 0.55, r.height());
    p.drawLine(h.topLeft(), h.bottomLeft());
    p.drawLine(h.topRight(), h.bottomRight());
    p.drawLine(QPointF(h.left(), h.center().y()), QPointF(h.right(), h.center().y()));
    // 2 lowered to the baseline, about half the height.
    const QRectF two(r.left() + r.width() * 0.70, r.top() + r.height() * 0.45, r.width() * 0.30,
                     r.height() * 0.55);
    p.setPen(inkPen(r, ink, 0.065));
    QPainterPath path;
    const QRectF arc(two.left(), two.top(), two.width(), two.height() * 0.6);
    path.arcMoveTo(arc, 160);
    path.arcTo(arc, 160, -180);
    path.lineTo(two.bottomLeft());
    path.lineTo(two.bottomRight());
    p.drawPath(path);
}

// A gas bubble with "H2" inside and two small bubbles rising: hydrogen sensor.
void drawH2Bubble(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double r = box.width() * 0.40;
    const QPointF c(box.left() + box.width() * 0.44, box.top() + box.height() * 0.56);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.05));
    p.drawEllipse(c, r, r);
    p.drawEllipse(at(box, 0.86, 0.18), box.width() * 0.09, box.width() * 0.09);
    p.drawEllipse(at(box, 0.93, 0.42), box.width() * 0.05, box.width() * 0.05);
    drawH2(p, QRectF(c.x() - r * 0.55, c.y() - r * 0.45, r * 1.1, r * 0.9), ink);
}

// A buried pipe seen from the side with a locator above it, its field drawn as
// arcs: pipe locating.
void drawPipeLocator(QPainter &p, const QRectF &box, const QColor &ink)
{
    // Pipe: a tube along the bottom with an open end on the right.
    const QRectF pipe(box.left(), box.top() + box.height() * 0.72, box.width() * 0.92, box.height() * 0.24);
    const double endWidth = pipe.height() * 0.5;
    p.setPen(inkPen(box, ink, 0.045));
    p.setBrush(Qt::NoBrush);
    p.drawLine(pipe.topLeft(), QPointF(pipe.right() - endWidth / 2, pipe.top()));
    p.drawLine(pipe.bottomLeft(), QPointF(pipe.right() - endWidth / 2, pipe.bottom()));
    p.drawEllipse(QRectF(pipe.right() - endWidth, pipe.top(), endWidth, pipe.height()));

    // Locator: a handle on top of a rod ending in a flat head.
    const double x = box.left() + box.width() * 0.42;
    p.setPen(inkPen(box, ink, 0.07));
    p.drawLine(QPointF(x - box.width() * 0.14, box.top() + box.height() * 0.04),
               QPointF(x + box.width() * 0.14, box.top() + box.height() * 0.04));
    p.drawLine(QPointF(x, box.top() + box.height() * 0.04), QPointF(x, box.top() + box.height() * 0.38));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(x - box.width() * 0.17, box.top() + box.height() * 0.36, box.width() * 0.34,
                             box.height() * 0.08),
                      2, 2);

    // Field lines between the head and the pipe.
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.035));
    const QPointF source(x, pipe.top());
    for (int i = 1; i <= 2; ++i) {
        const double rr = box.height() * 0.09 * i;
        p.drawArc(QRectF(source.x() - rr * 1.6, source.y() - rr, rr * 3.2, rr * 2), 30 * 16, 120 * 16);
    }
}

// An open-ended spanner lying diagonally: management.
void drawWrench(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double s = box.width();
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), s * 0.22, s * 0.22);
    QPainterPath jaw;
    jaw.addRect(QRectF(-s * 0.08, -s * 0.30, s * 0.16, s * 0.30));
    QPainterPath handle;
    handle.addRoundedRect(QRectF(-s * 0.075, s * 0.05, s * 0.15, s * 0.62), s * 0.075, s * 0.075);
    QPainterPath ring;
    ring.addEllipse(QPointF(0, s * 0.58), s * 0.035, s * 0.035);
    const QPainterPath wrench = head.subtracted(jaw).united(handle).subtracted(ring);

    QTransform t;
    t.translate(box.center().x() + s * 0.17, box.center().y() - s * 0.17);
    t.rotate(45);
    t.translate(0, -s * 0.25);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(t.map(wrench));
}

// The square of a tile-less pictogram, with a margin of share of its side.
QRectF inner(const QRectF &box, double share = 0.12)
{
    const double side = std::min(box.width(), box.height()) * (1.0 - 2 * share);
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

// A tick: accept.
void drawCheck(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.13));
    const QRectF r = inner(box, 0.16);
    p.drawPolyline(QPolygonF({at(r, 0.02, 0.55), at(r, 0.36, 0.88), at(r, 0.98, 0.14)}));
}

// A diagonal cross: cancel.
void drawCross(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.13));
    const QRectF r = inner(box, 0.2);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

// A five-pointed star: the favourite.
void drawStar(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.06);
    const QPointF c(r.center().x(), r.center().y() + r.height() * 0.05);
    const double outer = r.width() / 2;
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? outer * 0.42 : outer;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(star);
}

// A compact camera with its lens: screenshot.
void drawCamera(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.06);
    const QRectF body(r.left(), r.top() + r.height() * 0.25, r.width(), r.height() * 0.62);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    // Viewfinder bump on top.
    p.drawRoundedRect(QRectF(r.left() + r.width() * 0.30, r.top() + r.height() * 0.12, r.width() * 0.36,
                             r.height() * 0.18),
                      2, 2);
    QPainterPath camera;
    camera.addRoundedRect(body, r.width() * 0.1, r.width() * 0.1);
    QPainterPath lens;
    lens.addEllipse(body.center(), body.height() * 0.34, body.height() * 0.34);
    p.drawPath(camera.subtracted(lens));
    p.drawEllipse(body.center(), body.height() * 0.18, body.height() * 0.18);
}

// A beetle with six legs and two feelers: UART (debug) mode.
void drawBug(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.08);
    const QPointF c(r.center().x(), r.center().y() + r.height() * 0.08);
    const double w = r.width() * 0.26;
    const double h = r.height() * 0.36;
    p.setPen(inkPen(r, ink, 0.06));
    p.setBrush(Qt::NoBrush);
    for (int side : {-1, 1}) {
        for (int i = -1; i <= 1; ++i) {
            const QPointF from(c.x() + side * w * 0.6, c.y() + i * h * 0.55);
            const QPointF to(c.x() + side * r.width() * 0.48, c.y() + i * h * 0.75 + h * 0.1);
            p.drawLine(from, to);
        }
        const QPointF head(c.x() + side * w * 0.25, c.y() - h * 1.15);
        p.drawLine(head, QPointF(c.x() + side * r.width() * 0.3, r.top()));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, w, h);
    p.drawEllipse(QPointF(c.x(), c.y() - h * 1.05), w * 0.6, w * 0.55);
}

// A key cap pointing left with a cross inside: delete the character before
// the cursor.
void drawBackspace(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.08);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.08));
    const QPolygonF cap({at(r, 0.0, 0.5), at(r, 0.32, 0.18), at(r, 1.0, 0.18), at(r, 1.0, 0.82),
                         at(r, 0.32, 0.82)});
    p.drawPolygon(cap);
    p.drawLine(at(r, 0.5, 0.36), at(r, 0.78, 0.64));
    p.drawLine(at(r, 0.78, 0.36), at(r, 0.5, 0.64));
}

// A line going down and turning left into an arrow head: line break.
void drawReturn(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.08);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.09));
    p.drawPolyline(QPolygonF({at(r, 0.9, 0.1), at(r, 0.9, 0.68), at(r, 0.12, 0.68)}));
    p.drawPolyline(QPolygonF({at(r, 0.36, 0.44), at(r, 0.1, 0.68), at(r, 0.36, 0.92)}));
}

void drawSelector(QPainter &p, const QRectF &box, const QColor &ink, int position, int stations);
Draw selectorAt(int position, int stations = 6);

// A filled triangle pointing up or down: previous and next page.
void drawTriangle(QPainter &p, const QRectF &box, const QColor &ink, bool up)
{
    const QRectF r = inner(box, 0.12);
    const double top = up ? 0.12 : 0.88;
    const double base = up ? 0.82 : 0.18;
    p.setPen(inkPen(r, ink, 0.04));
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({at(r, 0.5, top), at(r, 0.95, base), at(r, 0.05, base)}));
}

void drawTriangleUp(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawTriangle(p, box, ink, true);
}

void drawTriangleDown(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawTriangle(p, box, ink, false);
}

// An arrow that turns back to the left: leave the dialog.
void drawBackArrow(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.1);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.1));
    QPainterPath path;
    path.moveTo(at(r, 0.15, 0.35));
    path.lineTo(at(r, 0.62, 0.35));
    path.arcTo(QRectF(at(r, 0.40, 0.35), at(r, 0.92, 0.85)), 90, -180);
    path.lineTo(at(r, 0.35, 0.85));
    p.drawPath(path);
    p.drawPolyline(QPolygonF({at(r, 0.36, 0.12), at(r, 0.12, 0.35), at(r, 0.36, 0.58)}));
}

// A toggle lever on its base: a mute key that stays where it is put.
void drawToggleSwitch(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.08);
    p.setPen(inkPen(r, ink, 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawLine(at(r, 0.5, 0.62), at(r, 0.78, 0.12));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(at(r, 0.78, 0.12), r.width() * 0.1, r.width() * 0.1);
    p.drawRoundedRect(QRectF(at(r, 0.12, 0.62), at(r, 0.88, 0.92)), 3, 3);
}

// A round key on its base with a finger-down arrow: a key that acts while held.
void drawHeldKey(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.08);
    p.setPen(inkPen(r, ink, 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawLine(at(r, 0.5, 0.02), at(r, 0.5, 0.32));
    p.drawPolyline(QPolygonF({at(r, 0.36, 0.2), at(r, 0.5, 0.34), at(r, 0.64, 0.2)}));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(at(r, 0.3, 0.45), at(r, 0.7, 0.66)), 3, 3);
    p.drawRoundedRect(QRectF(at(r, 0.08, 0.7), at(r, 0.92, 0.92)), 3, 3);
}

// ---------------------------------------------------------------------------
// Flags: simplified drawings, recognisable at 60 x 40 px.

// Bands of equal or weighted size, top to bottom (horizontal) or left to
// right.
void drawBands(QPainter &p, const QRectF &r, const std::vector<QColor> &colours, bool horizontal,
               const std::vector<double> &weights = {})
{
    double total = 0;
    for (size_t i = 0; i < colours.size(); ++i)
        total += weights.empty() ? 1.0 : weights[i];
    double from = 0;
    p.setPen(Qt::NoPen);
    for (size_t i = 0; i < colours.size(); ++i) {
        const double share = (weights.empty() ? 1.0 : weights[i]) / total;
        p.setBrush(colours[i]);
        if (horizontal)
            p.drawRect(QRectF(r.left(), r.top() + from * r.height(), r.width(), share * r.height() + 0.5));
        else
            p.drawRect(QRectF(r.left() + from * r.width(), r.top(), share * r.width() + 0.5, r.height()));
        from += share;
    }
}

// A cross shifted towards the hoist, optionally with a border around it.
void drawNordicCross(QPainter &p, const QRectF &r, const QColor &field, const QColor &cross,
                     const QColor &border = QColor())
{
    p.setPen(Qt::NoPen);
    p.setBrush(field);
    p.drawRect(r);
    const auto bar = [&](double width, const QColor &c) {
        p.setBrush(c);
        p.drawRect(QRectF(r.left() + r.width() * 0.36 - width / 2, r.top(), width, r.height()));
        p.drawRect(QRectF(r.left(), r.center().y() - width / 2, r.width(), width));
    };
    if (border.isValid()) {
        bar(r.height() * 0.3, border);
        bar(r.height() * 0.15, cross);
    } else {
        bar(r.height() * 0.2, cross);
    }
}

void drawStarShape(QPainter &p, const QPointF &c, double outer, const QColor &colour, double turn = 0)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? outer * 0.4 : outer;
        const double angle = -M_PI / 2 + turn + i * M_PI / 5;
        star << QPointF(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(star);
}

// A small shield at the hoist side, as several tricolours carry to tell them
// apart.
void drawShield(QPainter &p, const QRectF &r, const QColor &field, const QColor &edge)
{
    const QRectF s(r.left() + r.width() * 0.22, r.top() + r.height() * 0.2, r.width() * 0.2, r.height() * 0.5);
    QPainterPath path;
    path.moveTo(s.topLeft());
    path.lineTo(s.topRight());
    path.lineTo(s.right(), s.top() + s.height() * 0.6);
    path.quadTo(s.right(), s.bottom(), s.center().x(), s.bottom());
    path.quadTo(s.left(), s.bottom(), s.left(), s.top() + s.height() * 0.6);
    path.closeSubpath();
    p.setPen(QPen(edge, 1.0));
    p.setBrush(field);
    p.drawPath(path);
}

const QColor kFlagWhite(Qt::white);
const QColor kFlagYellow(0xff, 0xcc, 0x00);

void flagUsa(QPainter &p, const QRectF &r)
{
    std::vector<QColor> stripes;
    for (int i = 0; i < 13; ++i)
        stripes.push_back(i % 2 ? kFlagWhite : QColor(0xb2, 0x22, 0x34));
    drawBands(p, r, stripes, true);
    const QRectF canton(r.left(), r.top(), r.width() * 0.4, r.height() * 7 / 13);
    p.setBrush(QColor(0x3c, 0x3b, 0x6e));
    p.drawRect(canton);
    p.setBrush(kFlagWhite);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col)
            p.drawEllipse(QPointF(canton.left() + canton.width() * (col + 0.5) / 5,
                                  canton.top() + canton.height() * (row + 0.5) / 4),
                          0.9, 0.9);
}

void flagGerman(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {Qt::black, QColor(0xdd, 0x00, 0x00), QColor(0xff, 0xce, 0x00)}, true);
}

void flagFrench(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0x00, 0x23, 0x95), kFlagWhite, QColor(0xed, 0x29, 0x39)}, false);
}

void flagSpanish(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0xaa, 0x15, 0x1b), QColor(0xf1, 0xbf, 0x00), QColor(0xaa, 0x15, 0x1b)}, true,
              {1, 2, 1});
    // The arms, reduced to a red-and-gold block on the hoist side.
    p.setBrush(QColor(0xaa, 0x15, 0x1b));
    p.drawRect(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.36, r.width() * 0.1,
                      r.height() * 0.28));
}

void flagItalian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0x00, 0x92, 0x46), kFlagWhite, QColor(0xce, 0x2b, 0x37)}, false);
}

void flagRussian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0x00, 0x39, 0xa6), QColor(0xd5, 0x2b, 0x1e)}, true);
}

void flagChinese(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xee, 0x1c, 0x25));
    p.drawRect(r);
    const double u = r.height() / 20;
    drawStarShape(p, QPointF(r.left() + 5 * u, r.top() + 5 * u), 3 * u, kFlagYellow);
    const QPointF small[4] = {{10, 2}, {12, 4}, {12, 7}, {10, 9}};
    for (const QPointF &s : small)
        drawStarShape(p, QPointF(r.left() + s.x() * u, r.top() + s.y() * u), 1.1 * u, kFlagYellow, 0.6);
}

void flagCzech(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0xd7, 0x14, 0x1a)}, true);
    p.setBrush(QColor(0x11, 0x45, 0x7e));
    p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.left() + r.width() / 2, r.center().y()), r.bottomLeft()}));
}

void flagHungarian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0xce, 0x29, 0x39), kFlagWhite, QColor(0x47, 0x70, 0x50)}, true);
}

void flagSlovenian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0x00, 0x5d, 0xa4), QColor(0xed, 0x1c, 0x24)}, true);
    drawShield(p, r, QColor(0x00, 0x5d, 0xa4), QColor(0xed, 0x1c, 0x24));
    // The white mountain inside.
    p.setPen(Qt::NoPen);
    p.setBrush(kFlagWhite);
    const double x = r.left() + r.width() * 0.32;
    const double y = r.top() + r.height() * 0.5;
    p.drawPolygon(QPolygonF({QPointF(x - 4, y + 3), QPointF(x, y - 4), QPointF(x + 4, y + 3)}));
}

void flagPolish(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0xdc, 0x14, 0x3c)}, true);
}

void flagRomanian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0x00, 0x2b, 0x7f), QColor(0xfc, 0xd1, 0x16), QColor(0xce, 0x11, 0x26)}, false);
}

void flagSlovakian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0x0b, 0x4e, 0xa2), QColor(0xee, 0x1c, 0x25)}, true);
    drawShield(p, r, QColor(0xee, 0x1c, 0x25), kFlagWhite);
    // The white double cross inside.
    p.setPen(QPen(kFlagWhite, 1.5));
    const double x = r.left() + r.width() * 0.32;
    const double y = r.top() + r.height() * 0.42;
    p.drawLine(QPointF(x, y - 5), QPointF(x, y + 8));
    p.drawLine(QPointF(x - 2.5, y - 2), QPointF(x + 2.5, y - 2));
    p.drawLine(QPointF(x - 4, y + 2), QPointF(x + 4, y + 2));
}

void flagPortuguese(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0x04, 0x6a, 0x38), QColor(0xda, 0x29, 0x1c)}, false, {2, 3});
    p.setPen(QPen(kFlagYellow, 2.0));
    p.setBrush(Qt::NoBrush);
    const QPointF c(r.left() + r.width() * 0.4, r.center().y());
    p.drawEllipse(c, r.height() * 0.2, r.height() * 0.2);
    p.setPen(Qt::NoPen);
    p.setBrush(kFlagWhite);
    p.drawRect(QRectF(c.x() - 2.5, c.y() - 3, 5, 6));
}

void flagJapanese(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kFlagWhite);
    p.drawRect(r);
    p.setBrush(QColor(0xbc, 0x00, 0x2d));
    p.drawEllipse(r.center(), r.height() * 0.3, r.height() * 0.3);
}

void flagSwedish(QPainter &p, const QRectF &r)
{
    drawNordicCross(p, r, QColor(0x00, 0x6a, 0xa7), QColor(0xfe, 0xcc, 0x00));
}

void flagSuomi(QPainter &p, const QRectF &r)
{
    drawNordicCross(p, r, kFlagWhite, QColor(0x00, 0x2f, 0x6c));
}

void flagDanish(QPainter &p, const QRectF &r)
{
    drawNordicCross(p, r, QColor(0xc8, 0x10, 0x2e), kFlagWhite);
}

void flagNorwegian(QPainter &p, const QRectF &r)
{
    drawNordicCross(p, r, QColor(0xba, 0x0c, 0x2f), QColor(0x00, 0x20, 0x5b), kFlagWhite);
}

void flagBulgarian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {kFlagWhite, QColor(0x00, 0x96, 0x6e), QColor(0xd6, 0x26, 0x12)}, true);
}

void flagCroatian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0xff, 0x00, 0x00), kFlagWhite, QColor(0x17, 0x17, 0x96)}, true);
    // The red-and-white chequered shield in the middle.
    const double cell = r.height() * 0.1;
    const QPointF origin(r.center().x() - 2.5 * cell, r.top() + r.height() * 0.25);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 5; ++col) {
            p.setBrush((row + col) % 2 ? kFlagWhite : QColor(0xff, 0x00, 0x00));
            p.drawRect(QRectF(origin.x() + col * cell, origin.y() + row * cell, cell, cell));
        }
    p.setPen(QPen(QColor(0x17, 0x17, 0x96), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(origin, QSizeF(5 * cell, 5 * cell)));
}

void flagKorean(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kFlagWhite);
    p.drawRect(r);
    // The red-over-blue circle, each half with its small bulge.
    const QPointF c = r.center();
    const double rad = r.height() * 0.24;
    const QRectF circle(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad);
    p.setBrush(QColor(0x00, 0x47, 0xa0));
    p.drawEllipse(circle);
    p.setBrush(QColor(0xcd, 0x2e, 0x3a));
    p.drawPie(circle, 0, 180 * 16);
    p.drawEllipse(QPointF(c.x() + rad / 2, c.y()), rad / 2, rad / 2);
    p.setBrush(QColor(0x00, 0x47, 0xa0));
    p.drawEllipse(QPointF(c.x() - rad / 2, c.y()), rad / 2, rad / 2);
    // Four black bar groups in the corners.
    p.setBrush(Qt::black);
    const QPointF corners[4] = {{0.17, 0.2}, {0.83, 0.2}, {0.17, 0.8}, {0.83, 0.8}};
    for (const QPointF &k : corners) {
        const QPointF m = at(r, k.x(), k.y());
        for (int i = -1; i <= 1; ++i)
            p.drawRect(QRectF(m.x() - 4, m.y() + i * 2.6 - 0.8, 8, 1.6));
    }
}

void flagSerbian(QPainter &p, const QRectF &r)
{
    drawBands(p, r, {QColor(0xc6, 0x36, 0x3c), QColor(0x0c, 0x40, 0x76), kFlagWhite}, true);
    drawShield(p, r, QColor(0xc6, 0x36, 0x3c), kFlagYellow);
    // The white cross inside.
    p.setPen(QPen(kFlagWhite, 1.5));
    const double x = r.left() + r.width() * 0.32;
    const double y = r.top() + r.height() * 0.42;
    p.drawLine(QPointF(x, y - 4), QPointF(x, y + 6));
    p.drawLine(QPointF(x - 3.5, y + 1), QPointF(x + 3.5, y + 1));
}

void flagTurkish(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe3, 0x0a, 0x17));
    p.drawRect(r);
    // The crescent: a white disc with a red one overlapping it.
    const QPointF c(r.left() + r.width() * 0.38, r.center().y());
    const double rad = r.height() * 0.25;
    p.setBrush(kFlagWhite);
    p.drawEllipse(c, rad, rad);
    p.setBrush(QColor(0xe3, 0x0a, 0x17));
    p.drawEllipse(QPointF(c.x() + rad * 0.25, c.y()), rad * 0.8, rad * 0.8);
    drawStarShape(p, QPointF(c.x() + rad * 1.35, c.y()), rad * 0.45, kFlagWhite, -M_PI / 2);
}

// Draws a flag on the whole picture, with a thin grey edge so that white
// fields stand out from the black screen.
Draw flag(void (*drawFlag)(QPainter &, const QRectF &))
{
    return [drawFlag](QPainter &p, const QRectF &box, const QColor &) {
        const QRectF r = box.adjusted(3, 2, -3, -2);
        p.save();
        p.setClipRect(r);
        drawFlag(p, r);
        p.restore();
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    };
}

// An outlined upward arrow: shift.
void drawShift(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.06);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.08));
    p.drawPolygon(QPolygonF({at(r, 0.5, 0.04), at(r, 0.96, 0.5), at(r, 0.72, 0.5), at(r, 0.72, 0.94),
                             at(r, 0.28, 0.94), at(r, 0.28, 0.5), at(r, 0.04, 0.5)}));
}

// An open bracket lying on its back: the blank.
void drawSpaceBar(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.06);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.1));
    p.drawPolyline(QPolygonF({at(r, 0.04, 0.45), at(r, 0.04, 0.75), at(r, 0.96, 0.75), at(r, 0.96, 0.45)}));
}

// A house: back to the main page.
void drawHome(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.14);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.1));
    p.drawPolyline(QPolygonF({at(r, 0.0, 0.5), at(r, 0.5, 0.05), at(r, 1.0, 0.5)}));
    p.drawPolyline(QPolygonF({at(r, 0.16, 0.4), at(r, 0.16, 0.95), at(r, 0.84, 0.95), at(r, 0.84, 0.4)}));
    p.drawRect(QRectF(at(r, 0.4, 0.62), at(r, 0.6, 0.95)));
}

// Two pins joined by a dashed line: the distance between two positions.
void drawDistance(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.12);
    QPen dash = inkPen(r, ink, 0.07);
    dash.setStyle(Qt::DashLine);
    p.setPen(dash);
    p.drawLine(at(r, 0.15, 0.8), at(r, 0.85, 0.3));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(at(r, 0.15, 0.8), r.width() * 0.12, r.width() * 0.12);
    p.drawEllipse(at(r, 0.85, 0.3), r.width() * 0.12, r.width() * 0.12);
}

// A satellite: body with two solar panels.
void drawSatellite(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.1);
    p.save();
    p.translate(r.center());
    p.rotate(-35);
    p.translate(-r.center());
    p.setPen(inkPen(r, ink, 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(at(r, 0.38, 0.36), at(r, 0.62, 0.64)));
    p.drawRect(QRectF(at(r, 0.0, 0.4), at(r, 0.3, 0.6)));
    p.drawRect(QRectF(at(r, 0.7, 0.4), at(r, 1.0, 0.6)));
    p.drawLine(at(r, 0.3, 0.5), at(r, 0.38, 0.5));
    p.drawLine(at(r, 0.62, 0.5), at(r, 0.7, 0.5));
    p.restore();
}

// Short text centred in the box: format and data pictograms.
void drawText(QPainter &p, const QRectF &box, const QColor &ink, const QString &text, double size)
{
    QFont font;
    font.setPixelSize(std::max(6, int(box.height() * size)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(box, Qt::AlignCenter, text);
}

Draw textOf(const char *text, double size)
{
    return [text, size](QPainter &p, const QRectF &box, const QColor &ink) {
        drawText(p, box, ink, QString::fromUtf8(text), size);
    };
}

// A map pin: the current position.
void drawPin(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.1);
    QPainterPath pin;
    pin.moveTo(at(r, 0.5, 1.0));
    pin.cubicTo(at(r, 0.1, 0.55), at(r, 0.1, 0.0), at(r, 0.5, 0.0));
    pin.cubicTo(at(r, 0.9, 0.0), at(r, 0.9, 0.55), at(r, 0.5, 1.0));
    p.setPen(inkPen(r, ink, 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pin);
    p.drawEllipse(at(r, 0.5, 0.32), r.width() * 0.12, r.width() * 0.12);
}

// A pin with a flag: take the reference position.
void drawReference(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.12);
    p.setPen(inkPen(r, ink, 0.08));
    p.drawLine(at(r, 0.3, 1.0), at(r, 0.3, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({at(r, 0.3, 0.0), at(r, 0.95, 0.2), at(r, 0.3, 0.42)}));
}

// A triangle pointing right: start.
void drawPlay(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.2);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({at(r, 0.1, 0.0), at(r, 0.95, 0.5), at(r, 0.1, 1.0)}));
}

// A square: stop.
void drawStop(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(inner(box, 0.24));
}

// A waste bin: delete.
void drawBin(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.14);
    p.setPen(inkPen(r, ink, 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawLine(at(r, 0.05, 0.15), at(r, 0.95, 0.15));
    p.drawLine(at(r, 0.38, 0.15), at(r, 0.42, 0.02));
    p.drawLine(at(r, 0.42, 0.02), at(r, 0.58, 0.02));
    p.drawLine(at(r, 0.58, 0.02), at(r, 0.62, 0.15));
    p.drawPolyline(QPolygonF({at(r, 0.15, 0.15), at(r, 0.22, 1.0), at(r, 0.78, 1.0), at(r, 0.85, 0.15)}));
    p.drawLine(at(r, 0.5, 0.3), at(r, 0.5, 0.85));
}

// --- Status-bar symbols (20 px) --------------------------------------------

// The instrument seen from the front: a case with its display, drawn in the
// upper 15 rows (the status bar places it 5 rows down).
void drawInstrument(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(box.left() + 2.5, box.top() + 0.5, box.width() - 5, 14), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(box.left() + 5, box.top() + 3, box.width() - 10, 5));
    p.drawEllipse(QPointF(box.center().x(), box.top() + 11.5), 1.4, 1.4);
}

// A capsule on a stand: the sensor unit's microphone.
void drawMicrophone(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double cx = box.center().x();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(cx - 3.5, box.top() + 1, 7, 11), 3.5, 3.5);
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(cx - 6, box.top() + 4, 12, 10), 180 * 16, 180 * 16);
    p.drawLine(QPointF(cx, box.top() + 14), QPointF(cx, box.top() + 17.5));
    p.drawLine(QPointF(cx - 4, box.top() + 18.5), QPointF(cx + 4, box.top() + 18.5));
}

// A disc with a spike underneath: the ground sensor of type 2.
void drawGroundSensor(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double cx = box.center().x();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(box.left() + 3, box.top() + 2, box.width() - 6, 8), 2, 2);
    p.drawPolygon(QPolygonF({QPointF(cx - 3, box.top() + 10), QPointF(cx + 3, box.top() + 10),
                             QPointF(cx, box.top() + 19)}));
}

// A probe with gas holes: the hydrogen sensor.
void drawGasProbe(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double cx = box.center().x();
    p.setPen(QPen(ink, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(cx - 4.5, box.top() + 1.5, 9, 13), 2, 2);
    p.drawLine(QPointF(cx, box.top() + 14.5), QPointF(cx, box.top() + 19));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (int row = 0; row < 3; ++row)
        for (int col = -1; col <= 1; col += 2)
            p.drawEllipse(QPointF(cx + col * 1.8, box.top() + 4.5 + row * 3.2), 0.9, 0.9);
}

// A microphone head with a cable running off: the wired sensor.
void drawWiredSensor(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(box.left() + 2, box.top() + 2, 10, 10));
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(box.left() + 7, box.top() + 12));
    cable.cubicTo(QPointF(box.left() + 7, box.top() + 19), QPointF(box.left() + 16, box.top() + 19),
                  QPointF(box.left() + 17, box.top() + 11));
    p.drawPath(cable);
    p.drawLine(QPointF(box.left() + 17, box.top() + 11), QPointF(box.left() + 17, box.top() + 7));
}

// A headband with two ear cups.
void drawHeadphone(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(QPen(ink, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(box.left() + 2.5, box.top() + 2, box.width() - 5, 16), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(box.left() + 1.5, box.top() + 10, 5, 8), 1.5, 1.5);
    p.drawRoundedRect(QRectF(box.right() - 6.5, box.top() + 10, 5, 8), 1.5, 1.5);
}

void drawSpeakerBody(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double cy = box.center().y();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({QPointF(box.left() + 1, cy - 3), QPointF(box.left() + 5, cy - 3),
                             QPointF(box.left() + 10, cy - 8), QPointF(box.left() + 10, cy + 8),
                             QPointF(box.left() + 5, cy + 3), QPointF(box.left() + 1, cy + 3)}));
}

// A speaker with sound waves: listening.
void drawSpeakerActive(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawSpeakerBody(p, box, ink);
    p.setPen(QPen(ink, 1.4));
    p.setBrush(Qt::NoBrush);
    const QPointF c(box.left() + 9, box.center().y());
    p.drawArc(QRectF(c.x() - 5, c.y() - 5, 10, 10), -50 * 16, 100 * 16);
    p.drawArc(QRectF(c.x() - 9, c.y() - 9, 18, 18), -50 * 16, 100 * 16);
}

// A speaker with a cross: muted.
void drawSpeakerMute(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawSpeakerBody(p, box, ink);
    p.setPen(QPen(ink, 1.6));
    const double cy = box.center().y();
    p.drawLine(QPointF(box.left() + 12.5, cy - 4), QPointF(box.left() + 19, cy + 4));
    p.drawLine(QPointF(box.left() + 12.5, cy + 4), QPointF(box.left() + 19, cy - 4));
}

// --- Message-box symbols (60 px), in their own colours ---------------------

// A round badge with a letter drawn from strokes: "i", "?" or a cross.
void drawBadge(QPainter &p, const QRectF &box, const QColor &fill, char glyph)
{
    const QRectF r = inner(box, 0.04);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(r);
    QPen pen(Qt::white, r.width() * 0.12);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case 'i':
        p.drawLine(at(r, 0.5, 0.45), at(r, 0.5, 0.76));
        p.drawPoint(at(r, 0.5, 0.27));
        break;
    case '?': {
        QPainterPath hook(at(r, 0.34, 0.36));
        hook.cubicTo(at(r, 0.34, 0.14), at(r, 0.68, 0.14), at(r, 0.66, 0.36));
        hook.cubicTo(at(r, 0.64, 0.5), at(r, 0.5, 0.48), at(r, 0.5, 0.6));
        p.drawPath(hook);
        p.drawPoint(at(r, 0.5, 0.78));
        break;
    }
    default:
        p.drawLine(at(r, 0.32, 0.32), at(r, 0.68, 0.68));
        p.drawLine(at(r, 0.32, 0.68), at(r, 0.68, 0.32));
        break;
    }
}

void drawInformation(QPainter &p, const QRectF &box, const QColor &)
{
    drawBadge(p, box, QColor(0x2a, 0x7a, 0xd8), 'i');
}

void drawQuestion(QPainter &p, const QRectF &box, const QColor &)
{
    drawBadge(p, box, QColor(0x2a, 0x7a, 0xd8), '?');
}

void drawError(QPainter &p, const QRectF &box, const QColor &)
{
    drawBadge(p, box, QColor(0xd0, 0x28, 0x28), 'x');
}

// A yellow warning triangle with an exclamation mark.
void drawWarning(QPainter &p, const QRectF &box, const QColor &)
{
    const QRectF r = inner(box, 0.04);
    QPen edge(QColor(0xf2, 0xc0, 0x1e), r.width() * 0.06);
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    p.setBrush(QColor(0xf2, 0xc0, 0x1e));
    p.drawPolygon(QPolygonF({at(r, 0.5, 0.06), at(r, 0.97, 0.9), at(r, 0.03, 0.9)}));
    QPen pen(Qt::black, r.width() * 0.1);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(at(r, 0.5, 0.36), at(r, 0.5, 0.62));
    p.drawPoint(at(r, 0.5, 0.77));
}

// A vertical slide switch with six stations, its knob at station position
// (1 at the top). The stations are 38 px apart, in line with the list beside.
void drawSelector(QPainter &p, const QRectF &box, const QColor &ink, int position, int stations = 6)
{
    const double pitch = box.height() / stations;
    const double x = box.center().x();
    const QRectF track(x - box.width() * 0.14, box.top() + pitch * 0.5 - box.width() * 0.14,
                       box.width() * 0.28, pitch * (stations - 1) + box.width() * 0.28);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(track, track.width() / 2, track.width() / 2);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (int i = 0; i < stations; ++i)
        p.drawEllipse(QPointF(x, box.top() + pitch * (i + 0.5)), 2.0, 2.0);
    p.drawEllipse(QPointF(x, box.top() + pitch * (position - 0.5)), box.width() * 0.3, box.width() * 0.3);
}

// The selector switch with its knob at one station; the two- and
// three-position slide switches are the same drawing with fewer stations.
Draw selectorAt(int position, int stations)
{
    return [position, stations](QPainter &p, const QRectF &box, const QColor &ink) {
        drawSelector(p, box, ink, position, stations);
    };
}

// A filled triangle pointing left (direction -1) or right (+1).
Draw triangle(int direction)
{
    return [direction](QPainter &p, const QRectF &box, const QColor &ink) {
        const QRectF r = inner(box, 0.22);
        const double tip = direction < 0 ? 0.0 : 1.0;
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({at(r, tip, 0.5), at(r, 1.0 - tip, 0.0), at(r, 1.0 - tip, 1.0)}));
    };
}

// A loudspeaker with two sound waves: the test tone.
void drawSpeaker(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({at(r, 0.0, 0.35), at(r, 0.22, 0.35), at(r, 0.5, 0.08), at(r, 0.5, 0.92),
                             at(r, 0.22, 0.65), at(r, 0.0, 0.65)}));
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.07));
    for (double w : {0.18, 0.36}) {
        const QRectF arc(at(r, 0.5 - w, 0.5 - w * 1.2), at(r, 0.5 + w, 0.5 + w * 1.2));
        p.drawArc(arc, -50 * 16, 100 * 16);
    }
}

// The first x of each of the 31 time-zone stripes on the 400 px map, and the
// end of the last; the dialog chooses zones by the same stripes.
const int kZoneStripes[] = {0,   17,  34,  51,  68,  84,  100, 115, 120, 132, 149, 166, 179, 190, 214, 231,
                            239, 248, 256, 265, 273, 277, 282, 290, 296, 313, 330, 338, 346, 365, 382, 401};

// Map position of a longitude and latitude in degrees: London's stripe holds
// longitude 0, the date line lies at both edges.
QPointF mapPoint(double lon, double lat)
{
    const double x = 184.0 + lon * (lon < 0 ? 184.0 / 180.0 : 216.0 / 180.0);
    return {x, 100.0 - lat * 1.05};
}

QPolygonF landOf(std::initializer_list<std::pair<double, double>> lonLat)
{
    QPolygonF land;
    for (const auto &ll : lonLat)
        land << mapPoint(ll.first, ll.second);
    return land;
}

// The world map: sea, the zone stripes in alternate shades with thin
// borders, and the continents in outline shapes.
void drawWorldMap(QPainter &p, const QRectF &box, const QColor &)
{
    p.fillRect(box, QColor(0x10, 0x2a, 0x55));
    const int stripes = int(sizeof kZoneStripes / sizeof kZoneStripes[0]) - 1;
    for (int i = 0; i < stripes; ++i)
        if (i % 2 == 1)
            p.fillRect(QRectF(kZoneStripes[i], 0, kZoneStripes[i + 1] - kZoneStripes[i], box.height()),
                       QColor(0x18, 0x38, 0x6c));
    p.setBrush(QColor(0x5f, 0x9a, 0x55));
    p.setPen(QPen(QColor(0xa8, 0xd0, 0x98), 0.8));
    const std::vector<QPolygonF> lands = {
        // North and Central America
        landOf({{-165, 66}, {-140, 70}, {-95, 72}, {-78, 62}, {-56, 50}, {-70, 42}, {-80, 27}, {-97, 19},
                {-83, 9}, {-78, 8}, {-92, 15}, {-105, 20}, {-117, 32}, {-124, 42}, {-125, 49}, {-150, 59},
                {-165, 60}}),
        // South America
        landOf({{-80, 9}, {-61, 10}, {-35, -6}, {-40, -22}, {-57, -37}, {-68, -54}, {-74, -45}, {-71, -18},
                {-81, -5}}),
        // Greenland
        landOf({{-54, 60}, {-22, 70}, {-20, 82}, {-60, 82}, {-70, 77}}),
        // Europe and Asia
        landOf({{-9, 37}, {-9, 43}, {-2, 48}, {5, 53}, {8, 57}, {5, 62}, {16, 69}, {28, 71}, {60, 70},
                {100, 77}, {140, 72}, {180, 68}, {175, 63}, {160, 60}, {142, 52}, {135, 43}, {127, 38},
                {122, 30}, {110, 20}, {106, 10}, {100, 13}, {98, 8}, {94, 17}, {90, 22}, {80, 8}, {72, 20},
                {58, 25}, {56, 17}, {44, 12}, {34, 28}, {35, 36}, {27, 40}, {22, 36}, {15, 38}, {12, 44},
                {3, 43}}),
        // Africa
        landOf({{-17, 21}, {-6, 35}, {10, 37}, {32, 31}, {43, 12}, {51, 11}, {40, -15}, {33, -28}, {20, -35},
                {12, -17}, {9, 4}, {-8, 4}, {-17, 14}}),
        // Great Britain, Japan, Madagascar, Indonesia, New Zealand
        landOf({{-5, 50}, {1, 51}, {-1, 55}, {-3, 58}, {-6, 57}}),
        landOf({{130, 31}, {140, 35}, {142, 44}, {145, 44}, {140, 38}, {134, 33}}),
        landOf({{44, -25}, {50, -16}, {49, -12}, {43, -17}}),
        landOf({{95, 5}, {106, -6}, {118, -9}, {140, -8}, {141, -3}, {120, 1}, {110, 2}}),
        landOf({{167, -46}, {174, -41}, {178, -38}, {172, -34}, {171, -44}}),
        // Australia
        landOf({{114, -22}, {122, -18}, {131, -12}, {142, -11}, {146, -19}, {153, -27}, {150, -37},
                {141, -38}, {135, -34}, {116, -35}}),
    };
    for (const QPolygonF &land : lands)
        p.drawPolygon(land);
    // Antarctica along the bottom edge.
    p.drawRect(QRectF(0, box.bottom() - 8, box.width(), 8));
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, 0x50), 0.6));
    for (int i = 1; i < stripes; ++i)
        p.drawLine(QPointF(kZoneStripes[i], 0), QPointF(kZoneStripes[i], box.height()));
}

// The marker over the chosen zone: a translucent bar with a bright centre line.
void drawZoneMarker(QPainter &p, const QRectF &box, const QColor &)
{
    p.fillRect(box, QColor(0xff, 0xd0, 0x20, 0x60));
    p.setPen(QPen(QColor(0xff, 0xd0, 0x20), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(QColor(0xe0, 0x30, 0x30), 2.0));
    p.drawLine(QPointF(box.center().x(), 0), QPointF(box.center().x(), box.height()));
}

// --- Pairing dialog ---------------------------------------------------------

// A lens with a handle: search.
void drawMagnifier(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.1);
    p.setPen(inkPen(r, ink, 0.1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(at(r, 0.05, 0.05), at(r, 0.65, 0.65)));
    QPen handle = inkPen(r, ink, 0.16);
    p.setPen(handle);
    p.drawLine(at(r, 0.6, 0.6), at(r, 0.95, 0.95));
}

// The Bluetooth rune: a vertical stroke with two arrow heads to the right.
void drawRune(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(inkPen(r, ink, 0.09));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({at(r, 0.22, 0.3), at(r, 0.78, 0.72), at(r, 0.5, 0.95), at(r, 0.5, 0.05),
                              at(r, 0.78, 0.28), at(r, 0.22, 0.7)}));
}

// The rune beside a small "i": what the modules said.
void drawBluetoothInfo(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.12);
    drawRune(p, QRectF(r.left(), r.top(), r.width() * 0.62, r.height()), ink);
    QPen pen = inkPen(r, ink, 0.1);
    p.setPen(pen);
    p.drawLine(at(r, 0.88, 0.45), at(r, 0.88, 0.9));
    p.drawPoint(at(r, 0.88, 0.22));
}

// A status-bar symbol (drawn on a 20 px grid) scaled into a larger box.
Draw scaledFrom20(Draw draw)
{
    return [draw](QPainter &p, const QRectF &box, const QColor &ink) {
        const QRectF r = inner(box, 0.1);
        p.save();
        p.translate(r.topLeft());
        p.scale(r.width() / 20.0, r.height() / 20.0);
        draw(p, QRectF(0, 0, 20, 20), ink);
        p.restore();
    };
}

// The instruction of the pairing dialog: the device, dotted waves towards
// the rune, and the instrument.
Draw pairingInfoOf(Draw device)
{
    return [device](QPainter &p, const QRectF &box, const QColor &ink) {
        const double h = box.height();
        scaledFrom20(device)(p, QRectF(box.left() + 20, box.top(), h, h), ink);
        QPen dots = inkPen(QRectF(0, 0, h, h), ink, 0.05);
        dots.setStyle(Qt::DotLine);
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
            const double x = box.left() + 95 + i * 16;
            p.drawArc(QRectF(x - 14, box.top() + h * 0.2, 28, h * 0.6), -50 * 16, 100 * 16);
        }
        drawRune(p, QRectF(box.center().x() - h * 0.35 + 10, box.top() + h * 0.1, h * 0.7, h * 0.8), ink);
        scaledFrom20(drawInstrument)(p, QRectF(box.right() - h - 20, box.top(), h, h), ink);
    };
}

// --- Filter dialog ----------------------------------------------------------

// A band-pass curve: flat outside, raised in the middle.
void drawBandCurve(QPainter &p, const QRectF &box)
{
    const double l = box.left(), t = box.top(), w = box.width(), h = box.height();
    QPainterPath band(QPointF(l + 0.05 * w, t + 0.8 * h));
    band.cubicTo(QPointF(l + 0.3 * w, t + 0.8 * h), QPointF(l + 0.22 * w, t + 0.3 * h), QPointF(l + 0.4 * w, t + 0.3 * h));
    band.lineTo(l + 0.6 * w, t + 0.3 * h);
    band.cubicTo(QPointF(l + 0.78 * w, t + 0.3 * h), QPointF(l + 0.7 * w, t + 0.8 * h), QPointF(l + 0.95 * w, t + 0.8 * h));
    p.drawPath(band);
}

// The band filter chosen by the sensor: the band with an "A" under it.
void drawAutoFilter(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(QPen(ink, box.width() / 14));
    p.setBrush(Qt::NoBrush);
    drawBandCurve(p, box.adjusted(0, -box.height() * 0.15, 0, -box.height() * 0.15));
    QFont f = p.font();
    f.setPixelSize(int(box.height() * 0.38));
    f.setBold(true);
    p.setFont(f);
    p.drawText(box.adjusted(0, box.height() * 0.55, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("A"));
}

// No filter: the band struck through.
void drawNoFilter(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(QPen(ink, box.width() / 14));
    p.setBrush(Qt::NoBrush);
    drawBandCurve(p, box);
    p.drawLine(QPointF(box.left() + 0.15 * box.width(), box.bottom() - 0.1 * box.height()),
               QPointF(box.right() - 0.15 * box.width(), box.top() + 0.1 * box.height()));
}

// A check box, ticked or empty.
void drawCheckbox(QPainter &p, const QRectF &box, const QColor &ink, bool ticked)
{
    const QRectF frame = box.adjusted(box.width() * 0.18, box.height() * 0.18, -box.width() * 0.18,
                                      -box.height() * 0.18);
    p.setPen(QPen(ink, box.width() * 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, 3, 3);
    if (ticked)
        drawCheck(p, frame.adjusted(2, 2, -2, -2), ink);
}

Draw checkbox(bool ticked)
{
    return [ticked](QPainter &p, const QRectF &box, const QColor &ink) { drawCheckbox(p, box, ink, ticked); };
}

// Pinpointing and the measurement frame: bars, scale, delete-last, save,
// filter band, next position, leak drop and the next-position marker.
void drawLevelBars(QPainter &p, const QRectF &box, const QColor &ink, int crossed)
{
    const double heights[] = {0.45, 0.8, 0.6, 0.35};
    const double w = box.width() / 5.5;
    for (int i = 0; i < 4; ++i) {
        const QRectF bar(box.left() + w * 0.4 + i * w * 1.3, box.bottom() - heights[i] * box.height(), w,
                         heights[i] * box.height());
        p.fillRect(bar, ink);
        if (i == crossed) {
            p.setPen(QPen(QColor(0xe0, 0x30, 0x30), box.width() / 12));
            p.drawLine(bar.topLeft() - QPointF(w * 0.3, 0), bar.bottomRight() + QPointF(w * 0.3, 0));
            p.drawLine(bar.topRight() + QPointF(w * 0.3, 0), bar.bottomLeft() - QPointF(w * 0.3, 0));
        }
    }
}

void drawScaleBars(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawLevelBars(p, box.adjusted(box.width() * 0.2, box.height() * 0.1, 0, 0), ink, -1);
    p.setPen(QPen(ink, box.width() / 18));
    p.drawLine(QPointF(box.left() + box.width() * 0.1, box.top()), QPointF(box.left() + box.width() * 0.1, box.bottom()));
    for (int i = 0; i <= 4; ++i) {
        const double y = box.top() + i * box.height() / 4;
        p.drawLine(QPointF(box.left() + box.width() * 0.1, y), QPointF(box.left() + box.width() * 0.2, y));
    }
}

void drawScaleMagnifier(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawLevelBars(p, box.adjusted(0, box.height() * 0.35, -box.width() * 0.3, 0), ink, -1);
    p.setPen(QPen(ink, box.width() / 12));
    p.setBrush(Qt::NoBrush);
    const QRectF lens(box.left() + box.width() * 0.35, box.top(), box.width() * 0.45, box.height() * 0.45);
    p.drawEllipse(lens);
    p.drawLine(lens.center() + QPointF(lens.width() * 0.35, lens.height() * 0.35), box.topRight() + QPointF(0, box.height() * 0.6));
}

void drawDeleteLast(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawLevelBars(p, box, ink, 3);
}

void drawDiskette(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = box.adjusted(box.width() * 0.1, box.height() * 0.1, -box.width() * 0.1, -box.height() * 0.1);
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - r.width() * 0.2, r.top());
    body.lineTo(r.right(), r.top() + r.height() * 0.2);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.fillPath(body, ink);
    p.fillRect(QRectF(r.left() + r.width() * 0.2, r.top(), r.width() * 0.5, r.height() * 0.3), Qt::black);
    p.fillRect(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.55, r.width() * 0.7, r.height() * 0.4),
               Qt::black);
}

void drawBandShape(QPainter &p, const QRectF &box, const QColor &ink, bool stop)
{
    p.setPen(QPen(ink, box.width() / 12));
    p.setBrush(Qt::NoBrush);
    const double l = box.left(), t = box.top(), w = box.width(), h = box.height();
    const double low = stop ? 0.3 : 0.8, high = stop ? 0.8 : 0.3;
    QPainterPath band(QPointF(l + 0.05 * w, t + low * h));
    band.cubicTo(QPointF(l + 0.3 * w, t + low * h), QPointF(l + 0.22 * w, t + high * h), QPointF(l + 0.4 * w, t + high * h));
    band.lineTo(l + 0.6 * w, t + high * h);
    band.cubicTo(QPointF(l + 0.78 * w, t + high * h), QPointF(l + 0.7 * w, t + low * h), QPointF(l + 0.95 * w, t + low * h));
    p.drawPath(band);
}

void drawBandpassShape(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawBandShape(p, box, ink, false);
}

void drawBandstopShape(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawBandShape(p, box, ink, true);
}

void drawForward(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = box.adjusted(box.width() * 0.15, box.height() * 0.2, -box.width() * 0.15, -box.height() * 0.2);
    QPolygonF arrow;
    arrow << r.topLeft() << QPointF(r.left() + r.width() * 0.75, r.center().y()) << r.bottomLeft();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(arrow);
    p.fillRect(QRectF(r.left() + r.width() * 0.8, r.top(), r.width() * 0.2, r.height()), ink);
}

void drawWaterdrop(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double cx = box.center().x(), w = box.width() * 0.8;
    QPainterPath drop(QPointF(cx, box.top() + box.height() * 0.05));
    drop.cubicTo(QPointF(cx + w * 0.1, box.top() + box.height() * 0.35), QPointF(cx + w / 2, box.top() + box.height() * 0.5),
                 QPointF(cx + w / 2, box.top() + box.height() * 0.7));
    drop.arcTo(QRectF(cx - w / 2, box.bottom() - w - box.height() * 0.02, w, w), 0, -180);
    drop.cubicTo(QPointF(cx - w / 2, box.top() + box.height() * 0.5), QPointF(cx - w * 0.1, box.top() + box.height() * 0.35),
                 QPointF(cx, box.top() + box.height() * 0.05));
    p.fillPath(drop, ink);
}

// The spot for the next listening: an arrow down onto a ground microphone.
void drawNextPositionMarker(QPainter &p, const QRectF &box, const QColor &ink)
{
    const double w = box.width();
    p.setPen(QPen(ink, w / 10, Qt::DashLine));
    p.drawLine(QPointF(box.center().x(), box.top() + w * 0.2), QPointF(box.center().x(), box.bottom() - w * 1.4));
    QPolygonF head;
    head << QPointF(box.left() + w * 0.2, box.bottom() - w * 1.5) << QPointF(box.right() - w * 0.2, box.bottom() - w * 1.5)
         << QPointF(box.center().x(), box.bottom() - w * 1.05);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(head);
    drawGroundSensor(p, QRectF(box.left(), box.bottom() - w, w, w), ink);
}

struct Icon
{
    const char *folder;
    const char *name;
    const char *kind;
    Draw draw;
};

// The pipe under the loudest pipe-locating position: a tube seen from the side.
void drawPipeSymbol(QPainter &p, const QRectF &box, const QColor &ink)
{
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(2, 2, -2, -2), 3, 3);
    p.drawLine(QPointF(box.left() + 7, box.top() + 2), QPointF(box.left() + 7, box.bottom() - 2));
}

// A pen over a line: edit a stored measurement.
void drawPen(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.14);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(r, ink, 0.08));
    p.drawPolygon(QPolygonF({at(r, 0.72, 0.02), at(r, 0.95, 0.25), at(r, 0.32, 0.88), at(r, 0.05, 0.95),
                             at(r, 0.12, 0.68)}));
    p.drawLine(at(r, 0.12, 0.68), at(r, 0.32, 0.88));
    p.drawLine(at(r, 0.45, 1.0), at(r, 1.0, 1.0));
}

// A letter under a pen: change the name.
void drawRenamePen(QPainter &p, const QRectF &box, const QColor &ink)
{
    drawText(p, QRectF(box.left(), box.top() + box.height() * 0.35, box.width() * 0.6, box.height() * 0.6), ink,
             QStringLiteral("A"), 0.9);
    drawPen(p, QRectF(box.left() + box.width() * 0.3, box.top(), box.width() * 0.7, box.height() * 0.7), ink);
}

// A circular arrow: ask again.
void drawRefresh(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QRectF r = inner(box, 0.22);
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(box, ink, 0.09));
    p.drawArc(r, 60 * 16, 290 * 16);
    const QPointF tip = at(r, 0.75, 0.07);
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({tip + QPointF(-r.width() * 0.05, -r.height() * 0.22),
                             tip + QPointF(r.width() * 0.25, r.height() * 0.05),
                             tip + QPointF(-r.width() * 0.12, r.height() * 0.2)}));
}

// The window of the long-term trend: a clock face.
void drawClock(QPainter &p, const QRectF &box, const QColor &ink)
{
    const QPointF c = box.center();
    const double r = box.width() * 0.36;
    p.setPen(QPen(ink, box.width() / 14));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.drawLine(c, c + QPointF(0, -r * 0.7));
    p.drawLine(c, c + QPointF(r * 0.5, 0));
}

const std::vector<Icon> kIcons = {
    {"Mainmenu", "Pinpointing", "main", drawTarget},
    {"Mainmenu", "Levelmeasurement", "main", drawLevelMeter},
    {"Mainmenu", "Longtermmeasurement", "main", drawTrend},
    {"Mainmenu", "H2_Sensor", "main", drawH2Bubble},
    {"Mainmenu", "Pipelocating", "main", drawPipeLocator},
    {"Mainmenu", "Wrench", "main", drawWrench},
    {"Allgemein", "Check", "frame44", drawCheck},
    {"Allgemein", "Cancel", "frame44", drawCross},
    {"Allgemein", "Home", "frame44", drawHome},
    {"Management/Gps", "Distance", "frame44", drawDistance},
    {"Management/Gps", "SatInfo", "frame44", drawSatellite},
    {"Management/Gps", "GpsFormat", "frame44", textOf("°'", 0.55)},
    {"Management/Gps", "Nmea", "frame44", textOf("$GP", 0.42)},
    {"Management/Gps", "GpsPosition", "frame44", drawPin},
    {"Management/Gps", "SetReference", "frame44", drawReference},
    {"Management/Gps", "Start", "frame44", drawPlay},
    {"Management/Gps", "Stop", "frame44", drawStop},
    {"Management/Gps", "Delete", "frame44", drawBin},
    {"Management/Systemsettings", "Favourite", "icon40", drawStar},
    {"Management/Systemsettings", "ScreenshotCamera", "icon40", drawCamera},
    {"Management/Systemsettings", "Bug", "icon40", drawBug},
    {"Allgemein", "Triangle_up", "frame44", drawTriangleUp},
    {"Allgemein", "Triangle_down", "frame44", drawTriangleDown},
    {"Allgemein", "Back", "frame44", drawBackArrow},
    {"Management/Systemsettings", "SwitchMode_Switch", "icon40", drawToggleSwitch},
    {"Management/Systemsettings", "SwitchMode_Button", "icon40", drawHeldKey},
    {"Management/Systemsettings", "Radioswitch_top", "switch2", selectorAt(1, 2)},
    {"Management/Systemsettings", "Radioswitch_bottom", "switch2", selectorAt(2, 2)},
    {"Management/Systemsettings", "Radioswitch_top", "switch3", selectorAt(1, 3)},
    {"Management/Systemsettings", "Radioswitch_middle", "switch3", selectorAt(2, 3)},
    {"Management/Systemsettings", "Radioswitch_bottom", "switch3", selectorAt(3, 3)},
    {"Management/Flags", "USA", "flag", flag(flagUsa)},
    {"Management/Flags", "German", "flag", flag(flagGerman)},
    {"Management/Flags", "French", "flag", flag(flagFrench)},
    {"Management/Flags", "Spanish", "flag", flag(flagSpanish)},
    {"Management/Flags", "Italian", "flag", flag(flagItalian)},
    {"Management/Flags", "Russian", "flag", flag(flagRussian)},
    {"Management/Flags", "Chinese", "flag", flag(flagChinese)},
    {"Management/Flags", "Czech", "flag", flag(flagCzech)},
    {"Management/Flags", "Hungarian", "flag", flag(flagHungarian)},
    {"Management/Flags", "Slovenian", "flag", flag(flagSlovenian)},
    {"Management/Flags", "Polish", "flag", flag(flagPolish)},
    {"Management/Flags", "Romanian", "flag", flag(flagRomanian)},
    {"Management/Flags", "Slovakian", "flag", flag(flagSlovakian)},
    {"Management/Flags", "Portuguese", "flag", flag(flagPortuguese)},
    {"Management/Flags", "Japanese", "flag", flag(flagJapanese)},
    {"Management/Flags", "Swedish", "flag", flag(flagSwedish)},
    {"Management/Flags", "Suomi", "flag", flag(flagSuomi)},
    {"Management/Flags", "Danish", "flag", flag(flagDanish)},
    {"Management/Flags", "Norwegian", "flag", flag(flagNorwegian)},
    {"Management/Flags", "Bulgarian", "flag", flag(flagBulgarian)},
    {"Management/Flags", "Croatian", "flag", flag(flagCroatian)},
    {"Management/Flags", "Korean", "flag", flag(flagKorean)},
    {"Management/Flags", "Serbian", "flag", flag(flagSerbian)},
    {"Management/Flags", "Turkish", "flag", flag(flagTurkish)},
    {"Management/Systemsettings", "Radioswitch_pos1", "switch6", selectorAt(1)},
    {"Management/Systemsettings", "Radioswitch_pos2", "switch6", selectorAt(2)},
    {"Management/Systemsettings", "Radioswitch_pos3", "switch6", selectorAt(3)},
    {"Management/Systemsettings", "Radioswitch_pos4", "switch6", selectorAt(4)},
    {"Management/Systemsettings", "Radioswitch_pos5", "switch6", selectorAt(5)},
    {"Management/Systemsettings", "Radioswitch_pos6", "switch6", selectorAt(6)},
    {"Allgemein", "Triangle_left", "frame44", triangle(-1)},
    {"Allgemein", "Triangle_right", "frame44", triangle(1)},
    {"Management/Systemsettings", "Testtone", "icon30", drawSpeaker},
    {"Tools/Keyboard", "Accept", "accept40", drawCheck},
    {"Tools/Keyboard", "Cancel", "cancel25", drawCross},
    {"Tools/Keyboard", "Del", "key25", drawBackspace},
    {"Tools/Keyboard", "Enter", "key25", drawReturn},
    {"Tools/Keyboard", "Shift", "key25", drawShift},
    {"Tools/Keyboard", "Space", "key25", drawSpaceBar},
    {"Tools/Messagedialog", "Information", "dialog60", drawInformation},
    {"Tools/Messagedialog", "Warning", "dialog60", drawWarning},
    {"Tools/Messagedialog", "Error", "dialog60", drawError},
    {"Tools/Messagedialog", "Question", "dialog60", drawQuestion},
    {"Tools/Statusbar", "TQ3900", "bar20plain", drawInstrument},
    {"Tools/Statusbar", "microphone_k5", "bar20", drawMicrophone},
    {"Tools/Statusbar", "sensor-type2", "bar20", drawGroundSensor},
    {"Tools/Statusbar", "h2-sensor", "bar20", drawGasProbe},
    {"Tools/Statusbar", "wired-sensor", "bar20", drawWiredSensor},
    {"Tools/Statusbar", "headphone", "bar20", drawHeadphone},
    {"Tools/Statusbar", "satellite", "bar20", drawSatellite},
    {"Tools/Statusbar", "SwitchMode_Switch", "bar20bl", drawToggleSwitch},
    {"Tools/Statusbar", "SwitchMode_Button", "bar20bl", drawHeldKey},
    {"Tools/Statusbar", "speaker_mute", "bar20ws", drawSpeakerMute},
    {"Tools/Statusbar", "speaker_active", "bar20ws", drawSpeakerActive},
    {"Management/Systemsettings", "World", "worldmap", drawWorldMap},
    {"Management/Systemsettings", "TimezoneSelector", "zonemarker", drawZoneMarker},
    // Pairing dialog.
    {"Management/Bluetooth", "Magnifier", "frame44", drawMagnifier},
    {"Management/Bluetooth", "Bluetoothinfo", "frame44", drawBluetoothInfo},
    {"Allgemein", "Microphone", "frame44", scaledFrom20(drawMicrophone)},
    {"Allgemein", "Headphone", "frame44", scaledFrom20(drawHeadphone)},
    {"Management/Bluetooth", "PairingInfo_GX-4", "info300", pairingInfoOf(drawMicrophone)},
    {"Management/Bluetooth", "PairingInfo_HP", "info300", pairingInfoOf(drawHeadphone)},
    {"Audio", "Autofilter", "frame44", drawAutoFilter},
    {"Audio", "Nofilter", "frame44", drawNoFilter},
    {"Management/Systemsettings", "Switchmode", "setting40", drawToggleSwitch},
    {"Management/Systemsettings", "HearingProtection", "setting40", scaledFrom20(drawSpeakerMute)},
    {"Management/Systemsettings", "Customize", "setting40", checkbox(true)},
    {"Management/Systemsettings", "Headphone", "setting40", scaledFrom20(drawHeadphone)},
    {"Management/Systemsettings", "Microphone", "setting40", scaledFrom20(drawMicrophone)},
    {"Management/Systemsettings", "Brightness", "setting40", textOf("*", 0.9)},
    {"Management/Systemsettings", "Powersaving", "setting40", textOf("Zz", 0.5)},
    {"Management/Systemsettings", "Favourite", "setting40sw", drawStar},
    {"Management/Systemsettings", "Systeminformation", "setting40", textOf("i", 0.8)},
    {"Management/Systemsettings", "Reset", "setting40", drawBackArrow},
    {"Management/Systemsettings", "Flag", "setting40", textOf("Aa", 0.55)},
    {"Management/Systemsettings", "Time", "setting40", textOf("12:00", 0.3)},
    {"Management/Systemsettings", "Date", "setting40", textOf("31", 0.55)},
    {"Management/Systemsettings", "Timezone", "setting40", textOf("UTC", 0.4)},
    {"Management/Systemsettings", "DaylightSaving", "setting40", textOf("+1h", 0.4)},
    {"Management/Customize", "Checkbox_checked", "check44", checkbox(true)},
    {"Management/Customize", "Checkbox_unchecked", "check44", checkbox(false)},
    {"Management/Customize", "IOKey", "plain50", textOf("I/O", 0.4)},
    {"Management/Measurements", "Levelmeasurement", "setting40", drawLevelMeter},
    {"Management/Measurements", "Pinpointing", "setting40", drawTarget},
    {"Management/Measurements", "Longtermmeasurement", "setting40", drawTrend},
    {"Management/Measurements", "H2_Sensor", "setting40", drawH2Bubble},
    {"Management/Measurements", "Pipelocating", "setting40", drawPipeLocator},
    {"Management/Measurements", "Edit", "setting40", drawPen},
    {"Management/Measurements", "Filter", "setting40", drawBandpassShape},
    {"Management/Measurements", "Page_up", "setting40", drawTriangleUp},
    {"Management/Measurements", "Page_down", "setting40", drawTriangleDown},
    {"Management/Measurements", "Change", "setting40", drawRenamePen},
    {"Management/Measurements", "Delete", "setting40", drawBin},
    {"Management/Measurements", "Accept", "accept40", drawCheck},
    {"Management/Measurements", "Cancel", "cancel40", drawCross},
    {"Management/Configuration", "Refresh", "frame44", drawRefresh},
    {"Management", "Measurements", "main", drawTrend},
    {"Management", "Datatransmission", "main", textOf("USB", 0.35)},
    {"Management", "Deviceconfig", "main", scaledFrom20(drawMicrophone)},
    {"Management", "Firmwareupdate", "main", textOf("FW", 0.45)},
    {"Management/Firmwareupdate", "FwTQ3900", "tile150", scaledFrom20(drawInstrument)},
    {"Management/Firmwareupdate", "FwGX4", "tile150", scaledFrom20(drawMicrophone)},
    {"Management/Firmwareupdate", "Accept", "accept40", drawCheck},
    {"Management/Firmwareupdate", "Cancel", "cancel40", drawCross},
    {"Management", "Gps", "main", drawSatellite},
    {"Management", "Systemsettings", "main", drawWrench},
    {"Allgemein", "Diskette", "frame44", drawDiskette},
    {"Allgemein", "Filter", "frame44", drawBandpassShape},
    {"Mainmenu/Pinpointing", "Scale", "frame44", drawScaleBars},
    {"Mainmenu/Pinpointing", "ScaleMagnifierFull", "frame44", drawScaleMagnifier},
    {"Mainmenu/Pinpointing", "DelLast", "frame44", drawDeleteLast},
    {"Mainmenu/Pinpointing", "Wrench", "frame44", drawWrench},
    {"Mainmenu/Pinpointing", "Start", "frame44", drawPlay},
    {"Mainmenu/Pinpointing", "Stop", "frame44", drawStop},
    {"Mainmenu/Pinpointing", "Forward", "frame44", drawForward},
    {"Mainmenu/Pinpointing", "Waterdrop", "drop30", drawWaterdrop},
    {"Mainmenu/Pinpointing", "Filtertype_Bandpass", "filter40", drawBandpassShape},
    {"Mainmenu/Pinpointing", "Filtertype_Bandstop", "filter40", drawBandstopShape},
    {"Mainmenu/Pinpointing", "Pinpointing_KORB5", "marker37", drawNextPositionMarker},
    {"Mainmenu/Levelmeasurement", "Start", "frame44", drawPlay},
    {"Mainmenu/Levelmeasurement", "Stop", "frame44", drawStop},
    {"Mainmenu/Pipelocating", "Pipe", "pipe30", drawPipeSymbol},
    {"Mainmenu/Longtermmeasurement", "Clock", "frame44", drawClock},
    // The range of a chart axis (the pressure screen's X span, the hydrogen
    // screen's range).
    {"Mainmenu/H2Sensor", "H2Scale", "frame44", drawDistance},
};

const Kind *findKind(const char *id)
{
    for (const Kind &k : kKinds)
        if (qstrcmp(k.id, id) == 0)
            return &k;
    return nullptr;
}

QImage render(const Kind &kind, const State &state, const Icon &icon)
{
    QImage img(kind.width, kind.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(kind.tile ? Qt::black : Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (!kind.tile) {
        icon.draw(p, QRectF(img.rect()), state.palette->ink);
        p.end();
        return img;
    }

    const QRectF tile = QRectF(img.rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, state.palette->tileTop);
    fill.setColorAt(1, state.palette->tileBottom);
    p.setPen(QPen(state.palette->border, 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(tile, kind.cornerRadius, kind.cornerRadius);

    // The pictogram sits in a square centred in the area above the text line.
    const double margin = kind.height * 0.09;
    const QRectF area(tile.left() + margin, tile.top() + margin, tile.width() - 2 * margin,
                      tile.height() - kind.textLine - margin);
    const double side = std::min(area.width(), area.height());
    const QRectF box(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    icon.draw(p, box, state.palette->ink);
    p.end();
    return img;
}

// A PNG that costs its reader as little as possible: every row unfiltered,
// the pixel data in stored (uncompressed) deflate blocks. The program decodes
// the main page's pictures before its first frame; a compressed, filtered
// picture took most of that time in inflating and undoing the row filters.
// The pixels are the same as those of a compressed one.
void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    static const std::vector<quint32> table = [] {
        std::vector<quint32> t(256);
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    png.append(length, 4);
    const QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xffffffffu;
    for (const char byte : body)
        crc = table[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    char tail[4];
    qToBigEndian<quint32>(crc ^ 0xffffffffu, tail);
    png.append(body).append(tail, 4);
}

// True when the picture has transparent or translucent pixels.
bool seeThrough(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return false;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return true;
    }
    return false;
}

QByteArray uncompressedPng(const QImage &picture)
{
    // An opaque picture is kept without an alpha channel, and one of at most
    // 256 colours as indices into its palette: a third of the bytes of its
    // colours to read and check, and drawn without blending.
    const bool alpha = seeThrough(picture);
    QVector<QRgb> palette;
    QImage rows;
    if (!alpha) {
        rows = picture.convertToFormat(QImage::Format_RGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < rows.height() && colours.size() <= 256; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(rows.constScanLine(y));
            for (int x = 0; x < rows.width() && colours.size() <= 256; ++x)
                colours.insert(line[x]);
        }
        if (colours.size() <= 256) {
            palette = colours.values().toVector();
            std::sort(palette.begin(), palette.end());
            rows = rows.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
        }
    }
    if (palette.isEmpty())
        rows = picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int rowBytes = rows.width() * (!palette.isEmpty() ? 1 : alpha ? 4 : 3);
    QByteArray raw;
    raw.reserve((rowBytes + 1) * rows.height());
    for (int y = 0; y < rows.height(); ++y) {
        raw.append('\0'); // filter type: none
        raw.append(reinterpret_cast<const char *>(rows.constScanLine(y)), rowBytes);
    }
    // qCompress puts the length in front of the zlib stream; level 0 stores.
    const QByteArray zlib = qCompress(raw, 0).mid(4);

    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(rows.width()), header.data());
    qToBigEndian<quint32>(quint32(rows.height()), header.data() + 4);
    header[8] = 8;                                        // bits per sample or index
    header[9] = !palette.isEmpty() ? 3 : alpha ? 6 : 2;   // palette, RGBA or RGB
    QByteArray phys(9, '\0');       // the resolution, as QImage keeps it
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterX()), phys.data());
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterY()), phys.data() + 4);
    phys[8] = 1;                    // unit: metre

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    if (!palette.isEmpty()) {
        QByteArray colours;
        for (const QRgb c : palette)
            colours.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        appendChunk(png, "PLTE", colours);
    }
    appendChunk(png, "pHYs", phys);
    appendChunk(png, "IDAT", zlib);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.commit();
}

// A picture as a PNG file with stored deflate blocks, or as a BMP file (an
// opaque palette picture: a byte per pixel, which Qt reads row by row
// straight into the picture, with no inflate, checksum or row filter).
bool writePicture(const QImage &picture, const QString &path, const char *format)
{
    QByteArray data = uncompressedPng(picture);
    if (qstrcmp(format, "BMP") == 0) {
        // The palette and indices the PNG file keeps.
        const QImage decoded = QImage::fromData(data, "PNG");
        if (decoded.format() != QImage::Format_Indexed8 || decoded.hasAlphaChannel())
            return false;
        // The BMP writer copies whole rows, their padding to four bytes
        // included, and a decoded picture leaves that padding as it found
        // it in memory. The rows are copied into zeroed memory, so that
        // every build writes the same bytes.
        const int stride = (decoded.width() + 3) & ~3;
        QByteArray pixels(stride * decoded.height(), '\0');
        for (int y = 0; y < decoded.height(); ++y)
            std::memcpy(pixels.data() + y * stride, decoded.constScanLine(y), size_t(decoded.width()));
        QImage indexed(reinterpret_cast<const uchar *>(pixels.constData()), decoded.width(), decoded.height(),
                       stride, QImage::Format_Indexed8);
        indexed.setColorTable(decoded.colorTable());
        indexed.setDotsPerMeterX(decoded.dotsPerMeterX());
        indexed.setDotsPerMeterY(decoded.dotsPerMeterY());
        data.clear();
        QBuffer buffer(&data);
        if (!buffer.open(QIODevice::WriteOnly) || !indexed.save(&buffer, "BMP"))
            return false;
    }
    // Read back: the file must give the drawn pixels.
    const QImage back = QImage::fromData(data, format);
    if (back.isNull() || back.convertToFormat(QImage::Format_ARGB32) != picture.convertToFormat(QImage::Format_ARGB32))
        return false;
    return writeFile(path, data);
}

// One record of the prepared pictures (see src/Tools/preparedpictures.h):
// the path's length, width, height and a zero, the path, and the pixels as
// little-endian 0xffRRGGBB values.
void appendPrepared(QByteArray &out, const QString &path, const QImage &picture)
{
    const QImage rgb32 = picture.convertToFormat(QImage::Format_RGB32);
    const QByteArray name = path.toUtf8();
    auto put16 = [&out](int value) {
        out += char(value & 0xff);
        out += char((value >> 8) & 0xff);
    };
    put16(name.size());
    put16(rgb32.width());
    put16(rgb32.height());
    put16(0);
    out += name;
    out += QByteArray((4 - name.size() % 4) % 4, '\0'); // the pixels 32-bit aligned
    for (int y = 0; y < rgb32.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb32.constScanLine(y));
        for (int x = 0; x < rgb32.width(); ++x) {
            const QRgb value = row[x] | 0xff000000u;
            for (int shift = 0; shift < 32; shift += 8)
                out += char((value >> shift) & 0xff);
        }
    }
}
} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: icongen OUTDIR QRCFILE\n");
        return 2;
    }
    const QDir outDir(args.at(1));
    const QString qrcPath = args.at(2);

    QStringList files;
    QByteArray prepared("TQP1");
    for (const Icon &icon : kIcons) {
        const Kind *kind = findKind(icon.kind);
        if (!kind) {
            std::fprintf(stderr, "icongen: icon %s has unknown kind %s\n", icon.name, icon.kind);
            return 1;
        }
        const QString folder = QStringLiteral("Resources/Icons/%1").arg(QLatin1String(icon.folder));
        if (!outDir.mkpath(folder)) {
            std::fprintf(stderr, "icongen: cannot create %s\n", qPrintable(outDir.filePath(folder)));
            return 1;
        }
        for (const State &state : kind->states) {
            // What the main page draws before its first frame is kept as it
            // stands in the program's resources: a picture compressed again
            // there would be inflated twice. The rest the resource compiler
            // may compress. The first frame's twelve pictures (the main
            // buttons' released pictures and the status bar's icons) are BMP
            // files, so that the start reads no PNG at all. The status bar's
            // icons are drawn on its black strip: kept on black, they are
            // opaque and draw the same pixels.
            const QLatin1String folderName(icon.folder);
            const bool statusBar = folderName == QLatin1String("Tools/Statusbar");
            const bool firstFrame = statusBar
                || (folderName == QLatin1String("Mainmenu") && QLatin1String(state.suffix) == QLatin1String("_ws"));
            const QString rel = QStringLiteral("%1/%2%3.%4")
                                    .arg(folder, QLatin1String(icon.name), QLatin1String(state.suffix),
                                         firstFrame ? QLatin1String("bmp") : QLatin1String("png"));
            QImage picture = render(*kind, state, icon);
            if (statusBar) {
                QImage onBlack(picture.size(), QImage::Format_RGB32);
                onBlack.fill(Qt::black);
                QPainter p(&onBlack);
                p.drawImage(0, 0, picture);
                p.end();
                picture = onBlack;
            }
            if (!writePicture(picture, outDir.filePath(rel), firstFrame ? "BMP" : "PNG")) {
                std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(outDir.filePath(rel)));
                return 1;
            }
            files << (firstFrame ? QStringLiteral("<file compression-algorithm=\"none\">%1</file>").arg(rel)
                                 : QStringLiteral("<file>%1</file>").arg(rel));
            // The first frame's pictures once more, for the program to draw
            // without decoding them: the pixels their files decode to, as
            // writePicture has checked.
            if (firstFrame)
                appendPrepared(prepared, QStringLiteral(":/") + rel, picture);
        }
    }
    const QString preparedRel = QStringLiteral("Resources/Icons/prepared.pictures");
    if (!writeFile(outDir.filePath(preparedRel), prepared)) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(outDir.filePath(preparedRel)));
        return 1;
    }
    files << QStringLiteral("<file compression-algorithm=\"none\">%1</file>").arg(preparedRel);

    QByteArray qrc;
    QTextStream s(&qrc);
    s << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString &f : files)
        s << "    " << f << "\n";
    s << "</qresource>\n</RCC>\n";
    s.flush();
    // The resource list is written even when unchanged in content, so that
    // its time stamp tells the resource compiler that the pictures are new.
    if (!writeFile(qrcPath, qrc)) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(qrcPath));
        return 1;
    }
    return 0;
}
