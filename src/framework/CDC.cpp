#include "framework/CDC.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

QPen LinePen() {
    QPen pen(Qt::black);
    pen.setWidth(1);
    return pen;
}

}  // namespace

CDC::CDC(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setFont(DefaultFont());
}

QFont CDC::DefaultFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(kDefaultFontPixelSize);
    return font;
}

QColor CDC::ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!brush || !brush->IsValid()) return nullptr;
    CBrush* previous = selected_;
    selected_ = brush;
    fill_ = brush->GetColor();
    return previous;
}

QPoint CDC::MoveTo(int x, int y) {
    return std::exchange(position_, QPoint(x, y));
}

bool CDC::LineTo(int x, int y) {
    const QPoint from = position_;
    const QPoint to(x, y);
    position_ = to;
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) return true;
    // The last pixel is left out: stop one step short along the major axis.
    const QPoint last(from.x() + (dx * (steps - 1)) / steps, from.y() + (dy * (steps - 1)) / steps);
    painter_.setPen(LinePen());
    painter_.drawLine(from, last);
    return true;
}

bool CDC::Ellipse(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return true;
    painter_.setPen(LinePen());
    painter_.setBrush(ToQColor(fill_));
    // With a one-pixel pen Qt covers x .. x + width, so the box's right and bottom edges stay out.
    painter_.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    painter_.setBrush(Qt::NoBrush);
    return true;
}

QSize CDC::GetTextExtent(const QString& text) const {
    const QFontMetrics metrics(painter_.font());
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

bool CDC::TextOut(int x, int y, const QString& text) {
    const QFontMetrics metrics(painter_.font());
    if (bkMode_ == OPAQUE)
        painter_.fillRect(QRect(QPoint(x, y), GetTextExtent(text)), ToQColor(bkColor_));
    painter_.setPen(ToQColor(textColor_));
    painter_.drawText(QPoint(x, y + metrics.ascent()), text);
    return true;
}

COLORREF CDC::SetTextColor(COLORREF color) {
    return std::exchange(textColor_, color);
}

COLORREF CDC::SetBkColor(COLORREF color) {
    return std::exchange(bkColor_, color);
}

int CDC::SetBkMode(int mode) {
    if (mode != OPAQUE && mode != TRANSPARENT) return 0;
    return std::exchange(bkMode_, mode);
}
