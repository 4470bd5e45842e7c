#include "core/settings.h"

#include <QSettings>

namespace lumo {

namespace {

QString portKey()
{
    return Settings::kSection + QLatin1Char('/') + Settings::kPortValue;
}

}  // namespace

int Settings::ReadPort()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication);
    bool ok = false;
    const int port = settings.value(portKey(), 0).toInt(&ok);
    return ok ? port : 0;
}

bool Settings::WritePort(int port)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication);
    settings.setValue(portKey(), port);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace lumo
