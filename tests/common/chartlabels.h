#ifndef CHARTLABELS_H
#define CHARTLABELS_H

#include "longtermdata.h"

#include <QColor>
#include <QImage>
#include <QString>

// What is wrong with the y labels a trend chart shows, empty when nothing:
// each label shown lies whole inside the chart's widget and its image, no two
// shown labels overlap, a label is left out only where it would leave the
// scale's room or overlap one shown, and the chart's pixels agree with the labels'
// rectangles: every pixel left of the ticks that is not the scale's
// background lies in a shown label's rectangle, and every shown label colours
// some (an axis without labels, an invalid one, colours none). The image is
// the chart's own, as last drawn (a refresh, or an axis drawn again).
inline QString chartLabelFault(const LongtermData &chart, const QColor &background = Qt::black)
{
    const LongtermData::ScaleLabels layout = chart.yScaleLabels();
    const QImage &img = chart.chartImage();
    const QRect widget(QPoint(0, 0), chart.size());
    const QRect bounds = widget & img.rect();
    auto name = [](const LongtermData::ScaleLabel &l) {
        return QStringLiteral("\"%1\" at %2,%3 %4x%5")
            .arg(l.text)
            .arg(l.ink.left())
            .arg(l.ink.top())
            .arg(l.ink.width())
            .arg(l.ink.height());
    };
    QVector<const LongtermData::ScaleLabel *> shown;
    for (const LongtermData::ScaleLabel &l : layout.labels) {
        if (l.shown)
            shown << &l;
    }
    for (int i = 0; i < shown.size(); ++i) {
        if (!bounds.contains(shown[i]->ink))
            return QStringLiteral("outside the chart: ") + name(*shown[i]);
        for (int j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->ink.intersects(shown[j]->ink))
                return QStringLiteral("overlap: %1 and %2").arg(name(*shown[i]), name(*shown[j]));
        }
    }
    // The labels' room: the scale's strip and the 11 rows below it that a
    // redraw clears.
    const QRect strip = chart.yScaleArea();
    const QRect room = QRect(strip.topLeft(), QPoint(strip.right(), strip.bottom() + 11)) & bounds;
    for (const LongtermData::ScaleLabel &l : layout.labels) {
        if (l.shown || !room.contains(l.ink))
            continue;
        bool blocked = false;
        for (const LongtermData::ScaleLabel *s : shown)
            blocked = blocked || s->ink.intersects(l.ink);
        if (!blocked)
            return QStringLiteral("left out with room: ") + name(l);
    }
    // The ticks reach from column 27 to the data area.
    QVector<int> coloured(shown.size(), 0);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < 27 && x < img.width(); ++x) {
            if (img.pixel(x, y) == background.rgb())
                continue;
            bool inside = false;
            for (int i = 0; i < shown.size(); ++i) {
                if (shown[i]->ink.contains(x, y)) {
                    inside = true;
                    ++coloured[i];
                }
            }
            if (!inside)
                return QStringLiteral("a label's pixel outside its rectangle at %1,%2").arg(x).arg(y);
        }
    }
    for (int i = 0; i < shown.size(); ++i) {
        if (coloured[i] == 0)
            return QStringLiteral("not drawn: ") + name(*shown[i]);
    }
    return QString();
}

#endif // CHARTLABELS_H
