// The drawing context, rendered into images and probed at known pixels: brush fills, the pen's
// outline, boxes and lines that leave out their right/bottom edge and end point, text at its
// top-left reference with an opaque or transparent background, and the view's paint path.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "framework/CDC.h"
#include "framework/CView.h"
#include "framework/FrameworkTestSupport.h"

namespace {

constexpr COLORREF kBlue = 0x00CB2C1F;  // red 31, green 44, blue 203
const QRgb kBlueRgb = qRgb(31, 44, 203);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

class DrawingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        image.fill(Qt::white);
    }
    QRgb At(int x, int y) const { return image.pixel(x, y) | 0xFF000000u; }
    // Rows y0..y1-1 hold some pixel that is not white, within columns x0..x1-1.
    bool Inked(int x0, int y0, int x1, int y1, QRgb background = qRgb(255, 255, 255)) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) != background) return true;
        return false;
    }
    QImage image{200, 120, QImage::Format_RGB32};
};

}  // namespace

TEST_F(DrawingTest, EllipseFillsWithSelectedBrushInsideItsBoxOutlinedByThePen) {
    {
        QPainter painter(&image);
        CDC dc(painter);
        CBrush blue(kBlue);
        CBrush* previous = dc.SelectObject(&blue);
        ASSERT_NE(previous, nullptr);
        EXPECT_EQ(previous->GetColor(), RGB(255, 255, 255)) << "the initial brush is white";
        EXPECT_TRUE(dc.Ellipse(10, 10, 30, 30));
        EXPECT_TRUE(dc.Ellipse(40, 10, 60, 10)) << "an empty box draws nothing";
        EXPECT_EQ(dc.SelectObject(previous), &blue);
        dc.Ellipse(70, 10, 90, 30);
    }
    EXPECT_EQ(At(20, 20), kBlueRgb);
    EXPECT_EQ(At(10, 20), kBlack);
    EXPECT_EQ(At(29, 20), kBlack);
    EXPECT_EQ(At(30, 20), kWhite) << "the right edge of the box stays out";
    EXPECT_EQ(At(20, 29), kBlack);
    EXPECT_EQ(At(20, 30), kWhite) << "the bottom edge of the box stays out";
    EXPECT_EQ(At(10, 10), kWhite) << "corners of the box are outside the ellipse";
    EXPECT_FALSE(Inked(35, 0, 65, 40));
    EXPECT_EQ(At(80, 20), kWhite) << "the white brush again";
    EXPECT_EQ(At(70, 20), kBlack);
}

TEST_F(DrawingTest, LinesRunFromTheCurrentPositionAndLeaveOutTheEndPoint) {
    {
        QPainter painter(&image);
        CDC dc(painter);
        dc.MoveTo(5, 50);
        dc.LineTo(5, 60);
        dc.LineTo(15, 60);  // continues from the previous end
        dc.MoveTo(50, 50);
        EXPECT_EQ(dc.MoveTo(50, 50), QPoint(50, 50));
        dc.LineTo(60, 60);
    }
    EXPECT_EQ(At(5, 50), kBlack);
    EXPECT_EQ(At(5, 59), kBlack);
    EXPECT_EQ(At(5, 60), kBlack) << "start of the second line";
    EXPECT_EQ(At(14, 60), kBlack);
    EXPECT_EQ(At(15, 60), kWhite);
    EXPECT_EQ(At(5, 61), kWhite);
    EXPECT_EQ(At(55, 55), kBlack);
    EXPECT_EQ(At(59, 59), kBlack);
    EXPECT_EQ(At(60, 60), kWhite);
}

TEST_F(DrawingTest, TextSitsBelowAndRightOfItsReferenceOnAnOpaqueBackground) {
    QSize extent;
    {
        QPainter painter(&image);
        CDC dc(painter);
        EXPECT_EQ(dc.GetBkMode(), OPAQUE);
        EXPECT_EQ(dc.SetBkColor(kBlue), RGB(255, 255, 255));
        EXPECT_EQ(dc.SetTextColor(RGB(255, 255, 255)), RGB(0, 0, 0));
        dc.TextOut(100, 20, "X");
        extent = dc.GetTextExtent("X");
        EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
        dc.SetTextColor(RGB(0, 0, 0));
        dc.TextOut(140, 20, "X");
    }
    ASSERT_GT(extent.width(), 3);
    EXPECT_GT(extent.height(), 10);
    EXPECT_EQ(At(100, 20), kBlueRgb) << "the cell's corner is filled with the background";
    EXPECT_EQ(At(100 + extent.width() - 1, 20 + extent.height() - 1), kBlueRgb);
    EXPECT_EQ(At(99, 20), kWhite);
    EXPECT_EQ(At(100, 19), kWhite);
    EXPECT_TRUE(Inked(100, 20, 100 + extent.width(), 20 + extent.height(), kBlueRgb))
        << "white glyph on the blue cell";

    EXPECT_EQ(At(140, 20), kWhite) << "no background in transparent mode";
    EXPECT_TRUE(Inked(140, 20, 140 + extent.width(), 20 + extent.height()));
    EXPECT_FALSE(Inked(140, 0, 140 + extent.width(), 20)) << "nothing above the reference point";
}

TEST_F(DrawingTest, FontHasItsFixedPixelSize) {
    EXPECT_EQ(CDC::DefaultFont().pixelSize(), CDC::kDefaultFontPixelSize);
    QPainter painter(&image);
    const CDC dc(painter);
    EXPECT_EQ(painter.font().pixelSize(), CDC::kDefaultFontPixelSize)
        << "text is measured and drawn in the context's own font";
}

namespace {
class CrossView : public CView {
  public:
    void OnDraw(CDC& dc) override {
        dc.MoveTo(0, 0);
        dc.LineTo(40, 40);
    }
};
}  // namespace

TEST_F(DrawingTest, ViewErasesToWhiteAndPaintsThroughOnDraw) {
    CrossView view;
    view.resize(50, 50);
    QImage shot(50, 50, QImage::Format_RGB32);
    shot.fill(Qt::red);
    view.render(&shot);
    EXPECT_EQ(shot.pixel(20, 20) | 0xFF000000u, kBlack);
    EXPECT_EQ(shot.pixel(40, 10) | 0xFF000000u, kWhite);
}
