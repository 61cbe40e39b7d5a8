#pragma once
// CDC: a drawing context over a QPainter (a view's paint, or an image in tests), with the
// drawing state and operations of the original platform's device context:
//
// - Pen: black, one pixel, no antialiasing. Lines and ellipse outlines use it.
// - Brush: the selected CBrush's colour fills ellipses; the initial brush is white.
//   SelectObject returns the previously selected brush (the context's own white brush at first).
// - MoveTo / LineTo: a line from the current position to the point, which becomes the current
//   position; the end point itself is not drawn, as on the original platform.
// - Ellipse(l, t, r, b): outline and fill within the box, right and bottom edges excluded; an
//   empty box (r <= l or b <= t) draws nothing.
// - TextOut(x, y, text): one line of text with the top-left corner of its cell at (x, y), in
//   the text colour (default black). With background mode OPAQUE, the default, the cell is
//   first filled with the background colour (default white); with TRANSPARENT it is not.
// - Font: the system's UI font at a fixed pixel size (DefaultFont), so that layouts hold.
// Colours are COLORREF values (0x00BBGGRR). The setters return the previous value.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

#include "framework/Afx.h"
#include "framework/CBrush.h"

class QPainter;

class CDC {
  public:
    explicit CDC(QPainter& painter);
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    CBrush* SelectObject(CBrush* brush);

    QPoint MoveTo(int x, int y);
    bool LineTo(int x, int y);
    bool Ellipse(int left, int top, int right, int bottom);
    bool TextOut(int x, int y, const QString& text);
    QSize GetTextExtent(const QString& text) const;

    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int mode);
    COLORREF GetTextColor() const { return textColor_; }
    COLORREF GetBkColor() const { return bkColor_; }
    int GetBkMode() const { return bkMode_; }

    QPainter& Painter() { return painter_; }

    static constexpr int kDefaultFontPixelSize = 13;
    static QFont DefaultFont();
    static QColor ToQColor(COLORREF color);

  private:
    QPainter& painter_;
    CBrush stockBrush_{RGB(255, 255, 255)};
    CBrush* selected_ = &stockBrush_;
    COLORREF fill_ = RGB(255, 255, 255);
    QPoint position_{0, 0};
    COLORREF textColor_ = RGB(0, 0, 0);
    COLORREF bkColor_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
};
