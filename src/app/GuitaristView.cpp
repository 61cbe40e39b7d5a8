#include "app/GuitaristView.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "app/ChordDisplay.h"
#include "framework/CDC.h"

namespace {

constexpr int kStrings = kGuitarStrings;
constexpr int kShownFrets = 5;
const QColor kBuiltInDot = CDC::ToQColor(chord_display::kDotColor);
const QColor kDerivedDot = CDC::ToQColor(chord_display::kDerivedDotColor);
const QColor kInk(30, 30, 30);
const QColor kQuiet(110, 110, 110);

QFont FontOfHeight(double pixels, bool bold = false) {
    QFont font = CDC::DefaultFont();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    font.setBold(bold);
    return font;
}

// The frets a shape is drawn over: from `base`, `rows` of them.
struct FretWindow {
    int base = 1;
    int rows = kShownFrets;
};

FretWindow WindowOf(const std::optional<guitar::Shape>& shape) {
    FretWindow window;
    if (!shape) return window;
    int low = 99;
    int high = 0;
    for (int fret : shape->fingering.frets) {
        if (fret <= 0) continue;
        low = std::min(low, fret);
        high = std::max(high, fret);
    }
    if (high > kShownFrets) window.base = low;
    window.rows = std::max(kShownFrets, high - window.base + 1);
    return window;
}

void DrawName(QPainter& painter, const QRectF& box, const QString& text, double height,
              const QColor& colour, bool bold) {
    painter.setFont(FontOfHeight(height, bold));
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

// The chord in force: its name over its diagram, in `box`.
void DrawMainCell(QPainter& painter, const QRectF& box, const ShownChord& chord) {
    const double nameHeight = box.height() * 0.16;
    DrawName(painter, QRectF(box.left(), box.top(), box.width(), nameHeight), chord.name,
             nameHeight * 0.8, kInk, true);
    DrawGuitarShape(
        painter, QRectF(box.left(), box.top() + nameHeight, box.width(), box.height() - nameHeight),
        chord.shape);
}

// A coming chord: its name and the beats until it on the left, its diagram on the right.
void DrawComingCell(QPainter& painter, const QRectF& box, const UpcomingChord& coming) {
    const QRectF text(box.left(), box.top(), box.width() * 0.4, box.height());
    const double nameHeight = std::min(text.height() * 0.3, text.width() * 0.35);
    const double middle = text.center().y();
    DrawName(painter, QRectF(text.left(), middle - nameHeight, text.width(), nameHeight),
             coming.chord.name, nameHeight * 0.8, kInk, true);
    DrawName(painter, QRectF(text.left(), middle, text.width(), nameHeight * 0.6),
             BeatsUntilText(coming.beatsUntil), nameHeight * 0.45, kQuiet, false);
    DrawGuitarShape(painter,
                    QRectF(text.right(), box.top(), box.width() - text.width(), box.height()),
                    coming.chord.shape);
}

}  // namespace

QString BeatsUntilText(double beats) {
    const int whole = static_cast<int>(std::ceil(beats - 1e-9));
    if (whole <= 0) return QStringLiteral("now");
    return whole == 1 ? QStringLiteral("in 1 beat") : QStringLiteral("in %1 beats").arg(whole);
}

void DrawGuitarShape(QPainter& painter, const QRectF& box,
                     const std::optional<guitar::Shape>& shape) {
    const FretWindow window = WindowOf(shape);
    // Units: the string spacing; a row is 1.3 of it, the markers above the nut take one, the
    // base fret's number left of the grid two.
    const double unit =
        std::min(box.width() / (kStrings - 1 + 4.0), box.height() / (window.rows * 1.3 + 1.6));
    if (unit <= 0) return;
    const double rowHeight = unit * 1.3;
    const double gridWidth = unit * (kStrings - 1);
    const double left = box.left() + (box.width() - gridWidth) / 2;
    const double nut = box.top() + unit * 1.2;
    const double bottom = nut + rowHeight * window.rows;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen line(kInk, std::max(1.0, unit * 0.06));
    line.setCapStyle(Qt::FlatCap);
    painter.setPen(line);
    for (int s = 0; s < kStrings; ++s)
        painter.drawLine(QPointF(left + unit * s, nut), QPointF(left + unit * s, bottom));
    for (int r = 0; r <= window.rows; ++r)
        painter.drawLine(QPointF(left, nut + rowHeight * r),
                         QPointF(left + gridWidth, nut + rowHeight * r));
    if (window.base == 1) {
        QPen thick = line;
        thick.setWidthF(std::max(2.0, unit * 0.22));
        painter.setPen(thick);
        painter.drawLine(QPointF(left, nut), QPointF(left + gridWidth, nut));
    } else {
        // Right-aligned well clear of the dots on the low string (their radius is 0.4 units).
        painter.setFont(FontOfHeight(unit * 0.7));
        painter.setPen(kInk);
        painter.drawText(QRectF(box.left(), nut, left - unit * 0.6 - box.left(), rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1fr").arg(window.base));
    }
    if (!shape) {
        painter.restore();
        return;
    }

    const Fingering& f = shape->fingering;
    const QColor dot = shape->derived ? kDerivedDot : kBuiltInDot;
    const double radius = unit * 0.4;
    auto centreOf = [&](int string, int fret) {
        return QPointF(left + unit * string, nut + rowHeight * (fret - window.base + 0.5));
    };
    // A barre: the strings that finger 1 holds at the lowest fret, joined.
    int barreFret = 0;
    int barreFrom = kStrings;
    int barreTo = -1;
    for (int s = 0; s < kStrings; ++s) {
        if (f.fingers[s] != 1) continue;
        if (barreFret == 0) barreFret = f.frets[s];
        if (f.frets[s] != barreFret) continue;
        barreFrom = std::min(barreFrom, s);
        barreTo = std::max(barreTo, s);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    if (barreTo > barreFrom) {
        const QPointF a = centreOf(barreFrom, barreFret);
        const QPointF b = centreOf(barreTo, barreFret);
        painter.drawRoundedRect(
            QRectF(a.x() - radius, a.y() - radius, b.x() - a.x() + 2 * radius, 2 * radius), radius,
            radius);
    }
    const QFont markFont = FontOfHeight(radius * 1.3, true);
    const QFont openFont = FontOfHeight(unit * 0.75);
    for (int s = 0; s < kStrings; ++s) {
        const int fret = f.frets[s];
        if (fret <= 0) {
            painter.setFont(openFont);
            painter.setPen(kInk);
            painter.drawText(QRectF(left + unit * (s - 0.5), box.top(), unit, unit * 1.1),
                             Qt::AlignCenter,
                             fret == 0 ? QStringLiteral("O") : QStringLiteral("X"));
            continue;
        }
        const QPointF centre = centreOf(s, fret);
        const int finger = f.fingers[s];
        if (finger < 0) {
            // A note that may be left out: a ring.
            painter.setPen(QPen(dot, std::max(1.5, unit * 0.12)));
            painter.setBrush(Qt::white);
            painter.drawEllipse(centre, radius * 0.85, radius * 0.85);
            continue;
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot);
        painter.drawEllipse(centre, radius, radius);
        const bool underBarre = barreTo > barreFrom && finger == 1 && fret == barreFret;
        if (finger > 0 && (!underBarre || s == barreFrom)) {
            painter.setFont(markFont);
            painter.setPen(Qt::white);
            painter.drawText(
                QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                Qt::AlignCenter, QString::number(finger));
        }
    }
    painter.restore();
}

void DrawGuitaristView(QPainter& painter, const QRectF& area, const ShownChord* inForce,
                       const std::vector<UpcomingChord>& upcoming) {
    painter.save();
    const double margin = std::min(area.width(), area.height()) * 0.03;
    const QRectF inner = area.adjusted(margin, margin, -margin, -margin);
    const QRectF main(inner.left(), inner.top(), inner.width() * 0.55, inner.height());
    const QRectF side(main.right() + margin, inner.top(), inner.right() - main.right() - margin,
                      inner.height());

    if (inForce) {
        DrawMainCell(painter, main, *inForce);
    } else if (!upcoming.empty()) {
        DrawName(painter, main,
                 QStringLiteral("First chord %1").arg(BeatsUntilText(upcoming.front().beatsUntil)),
                 main.height() * 0.06, kQuiet, false);
    }
    const double cellHeight = side.height() / 3;
    for (std::size_t i = 0; i < upcoming.size() && i < 3; ++i) {
        const QRectF cell(side.left(), side.top() + cellHeight * static_cast<double>(i),
                          side.width(), cellHeight * 0.94);
        DrawComingCell(painter, cell, upcoming[i]);
    }
    painter.restore();
}
