#include "widgets/window_copy.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace lumo {

namespace {

// True when the platform can read the screen and the window has a frame
// of the window manager around it (a title bar above the client area).
bool screenHasFrame(const QWidget* window)
{
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && platform != QLatin1String("windows")) return false;
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return frame.top() < client.top() && frame.contains(client);
}

}  // namespace

QImage CaptureWindowImage(QWidget* window)
{
    if (!window) return {};
    QWidget* top = window->window();
    if (top->isVisible() && screenHasFrame(top)) {
        if (QScreen* screen = top->screen()) {
            const QRect frame = top->frameGeometry();
            // Screen coordinates relative to the screen the window is on.
            const QPoint origin = frame.topLeft() - screen->geometry().topLeft();
            const QPixmap shot =
                screen->grabWindow(0, origin.x(), origin.y(), frame.width(), frame.height());
            if (!shot.isNull()) return shot.toImage().convertToFormat(QImage::Format_RGB32);
        }
    }
    // The client area as the widget draws it.
    return top->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

WindowCopyGeometry DrawWindowCopy(QPainter& painter, int pageWidth, const QImage& window)
{
    const WindowCopyGeometry g = ComputeWindowCopyGeometry(pageWidth, window.width());
    if (g.scale <= 0 || window.isNull()) return {g.margin, 0};
    // Device pixels of the image, whatever ratio the screen had.
    QImage pixels = window.convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1.0);
    const QRect target(g.margin, g.margin, pixels.width() * g.scale, pixels.height() * g.scale);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Printing goes through PDF on CUPS: without this hint Qt stores the
    // picture as JPEG and the flat window colours come out speckled.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(target, pixels);
    painter.restore();
    return g;
}

}  // namespace lumo
