// A picture of a window on a printed page: the window as the screen shows
// it, enlarged by a whole-number factor with a margin of a seventh of the
// page width on the left and at the top.
#pragma once

#include <QImage>

class QPainter;
class QWidget;

namespace lumo {

struct WindowCopyGeometry {
    int margin = 0;  // printer pixels left and above the picture
    int scale = 0;   // printer pixels per window pixel; 0: nothing is drawn
};

// For a page pageWidth printer pixels wide and a window windowWidth pixels
// wide: margin (2P/7)/2 and scale (P - 2P/7)/W, integer divisions rounding
// toward zero. A window without width gets scale 0.
constexpr WindowCopyGeometry ComputeWindowCopyGeometry(int pageWidth, int windowWidth)
{
    if (pageWidth <= 0 || windowWidth <= 0) return {};
    const int twoSevenths = 2 * pageWidth / 7;
    return {twoSevenths / 2, (pageWidth - twoSevenths) / windowWidth};
}

// The window as the screen shows it. Where the platform lets a program
// read the screen and a window manager draws frames (X11, Windows), the
// whole frame rectangle with the title bar; otherwise the client area only.
QImage CaptureWindowImage(QWidget* window);

// Draws the picture: every window pixel becomes a scale x scale block of
// its colour at (margin + x * scale, margin + y * scale). One image drawn
// with nearest-neighbour sampling; the page height is not consulted.
// Returns the geometry used (scale 0: nothing drawn).
WindowCopyGeometry DrawWindowCopy(QPainter& painter, int pageWidth, const QImage& window);

}  // namespace lumo
