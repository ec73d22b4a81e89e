// icongen: draws the instrument's button pictures at build time and writes a
// resource file that lists them.
//
//   icongen OUTDIR QRCFILE
//
// Every picture is written as OUTDIR/Resources/Icons/<folder>/<name><suffix>.png
// and listed in QRCFILE (prefix "/", paths relative to OUTDIR), so the program
// opens it as ":/Resources/Icons/<folder>/<name><suffix>.png".
//
// The pictures are described by two tables: kKinds says how a kind of button
// looks (size, the files of its states, room for a text line), kIcons names
// each picture with its kind and the function that draws its pictogram. A new
// picture is one more row in kIcons; a new kind of button one more row in
// kKinds.

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
#include <QTextStream>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <functional>
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
    // Six-position selector switch, one station every 38 px.
    {"switch6", 40, 228, 0, 0.0, {{"_6x38px", &kInkWhite}}, false},
    // Two-position switch beside a pair of 40 px list entries.
    {"switch2", 40, 80, 0, 0.0, {{"_2x40px", &kInkWhite}}, false},
    // Small pictogram buttons: white, lit blue while pressed.
    {"icon30", 30, 30, 0, 0.0, {{"_ws_30px", &kInkWhite}, {"_sw_30px", &kInkBlue}}, false},
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

Draw selectorAt(int position, int stations = 6)
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

struct Icon
{
    const char *folder;
    const char *name;
    const char *kind;
    Draw draw;
};

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
    {"Management/Systemsettings", "Radioswitch_pos1", "switch6", selectorAt(1)},
    {"Management/Systemsettings", "Radioswitch_pos2", "switch6", selectorAt(2)},
    {"Management/Systemsettings", "Radioswitch_pos3", "switch6", selectorAt(3)},
    {"Management/Systemsettings", "Radioswitch_pos4", "switch6", selectorAt(4)},
    {"Management/Systemsettings", "Radioswitch_pos5", "switch6", selectorAt(5)},
    {"Management/Systemsettings", "Radioswitch_pos6", "switch6", selectorAt(6)},
    {"Allgemein", "Triangle_left", "frame44", triangle(-1)},
    {"Allgemein", "Triangle_right", "frame44", triangle(1)},
    {"Management/Systemsettings", "Radioswitch_top", "switch2", selectorAt(1, 2)},
    {"Management/Systemsettings", "Radioswitch_bottom", "switch2", selectorAt(2, 2)},
    {"Management/Systemsettings", "Testtone", "icon30", drawSpeaker},
    {"Tools/Keyboard", "Accept", "accept40", drawCheck},
    {"Tools/Keyboard", "Cancel", "cancel25", drawCross},
    {"Tools/Keyboard", "Del", "key25", drawBackspace},
    {"Tools/Keyboard", "Enter", "key25", drawReturn},
    {"Tools/Keyboard", "Shift", "key25", drawShift},
    {"Tools/Keyboard", "Space", "key25", drawSpaceBar},
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
            const QString rel = QStringLiteral("%1/%2%3.png")
                                    .arg(folder, QLatin1String(icon.name), QLatin1String(state.suffix));
            if (!render(*kind, state, icon).save(outDir.filePath(rel), "PNG")) {
                std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(outDir.filePath(rel)));
                return 1;
            }
            files << rel;
        }
    }

    QByteArray qrc;
    QTextStream s(&qrc);
    s << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString &f : files)
        s << "    <file>" << f << "</file>\n";
    s << "</qresource>\n</RCC>\n";
    s.flush();
    // The resource list is written even when unchanged in content, so that
    // its time stamp tells the resource compiler that the pictures are new.
    QSaveFile out(qrcPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(qrc) != qrc.size() || !out.commit()) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(qrcPath));
        return 1;
    }
    return 0;
}
