// Margin and scale of the window picture, and how it lands on a page.
#include "widgets/window_copy.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(WindowCopyGeometry, MarginAndScale)
{
    // 2 * 4800 / 7 = 1371; margin 685; (4800 - 1371) / 400 = 8.
    const WindowCopyGeometry a = ComputeWindowCopyGeometry(4800, 400);
    EXPECT_EQ(a.margin, 685);
    EXPECT_EQ(a.scale, 8);
    EXPECT_EQ(400 * a.scale, 3200);

    // A4 at 600 dpi, printable width as the PDF queue reports it.
    const WindowCopyGeometry b = ComputeWindowCopyGeometry(4792, 512);
    EXPECT_EQ(b.margin, 684);   // 1369 / 2
    EXPECT_EQ(b.scale, 6);      // 3423 / 512
}

TEST(WindowCopyGeometry, ScaleZeroWhenWindowIsWiderThanFiveSevenths)
{
    // Five sevenths of 700 are 500: 500 fits once, 501 not at all.
    EXPECT_EQ(ComputeWindowCopyGeometry(700, 500).scale, 1);
    EXPECT_EQ(ComputeWindowCopyGeometry(700, 501).scale, 0);
    EXPECT_EQ(ComputeWindowCopyGeometry(700, 501).margin, 100);
    // No window width or no page: nothing to draw, and no division by zero.
    EXPECT_EQ(ComputeWindowCopyGeometry(4800, 0).scale, 0);
    EXPECT_EQ(ComputeWindowCopyGeometry(0, 400).scale, 0);
}

// A window image with a distinct colour in every pixel.
QImage patternImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
    return img;
}

TEST(DrawWindowCopy, EveryWindowPixelBecomesAnSxSBlock)
{
    const QImage window = patternImage(5, 4);
    // P = 35: margin (10 / 2) = 5, scale (35 - 10) / 5 = 5.
    QImage page(35, 40, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    const WindowCopyGeometry g = DrawWindowCopy(p, page.width(), window);
    p.end();
    ASSERT_EQ(g.margin, 5);
    ASSERT_EQ(g.scale, 5);

    for (int py = 0; py < page.height(); ++py) {
        for (int px = 0; px < page.width(); ++px) {
            const int x = (px - g.margin) / g.scale;
            const int y = (py - g.margin) / g.scale;
            const bool inside = px >= g.margin && py >= g.margin && x < window.width() && y < window.height();
            const QRgb want = inside ? window.pixel(x, y) : qRgb(255, 255, 255);
            ASSERT_EQ(page.pixel(px, py), want) << "page pixel " << px << "," << py;
        }
    }
}

TEST(DrawWindowCopy, ScaleZeroDrawsNothing)
{
    const QImage window = patternImage(30, 10);
    QImage page(40, 40, QImage::Format_RGB32);  // 5/7 of 40 is 28 < 30
    page.fill(Qt::white);
    QPainter p(&page);
    EXPECT_EQ(DrawWindowCopy(p, page.width(), window).scale, 0);
    p.end();
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace lumo
