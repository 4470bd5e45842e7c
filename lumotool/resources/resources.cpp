#include "resources/resources.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>

// The resource file is compiled into a static library; registering it
// explicitly keeps the linker from dropping it.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(lumotool);
        return true;
    }();
    (void)done;
}

namespace lumo {

namespace {

const char* iconBaseName(int id)
{
    switch (id) {
    case kIconApp: return ":/icons/icon128_app";
    case kIconGreenLamp: return ":/icons/icon129_green";
    case kIconRedLamp: return ":/icons/icon130_red";
    default: return nullptr;
    }
}

bool svgReadable()
{
    static const bool readable = QImageReader::supportedImageFormats().contains("svg");
    return readable;
}

}  // namespace

QIcon ResourceIcon(int id)
{
    initResources();
    const char* base = iconBaseName(id);
    if (!base) return {};
    const QString name = QString::fromLatin1(base);
    QIcon icon;
    if (svgReadable()) {
        icon.addFile(name + QStringLiteral(".svg"));
    } else {
        for (int size : {16, 32, 48})
            icon.addFile(QStringLiteral("%1_%2.png").arg(name).arg(size), QSize(size, size));
    }
    return icon;
}

QString ResourceString(int id)
{
    switch (id) {
    case kStringAboutBox: return QCoreApplication::translate("lumo::Resources", "Inf&o über Mavik_Gardo...");
    default: return {};
    }
}

}  // namespace lumo
