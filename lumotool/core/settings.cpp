#include "core/settings.h"

#include <QSettings>

#include <limits>

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
    // Read wide and range-checked: QVariant's toInt() wraps a stored text
    // beyond the int range (2147483648 became -2147483648).
    bool ok = false;
    const qlonglong port = settings.value(portKey(), 0).toLongLong(&ok);
    return ok && port >= std::numeric_limits<int>::min() && port <= std::numeric_limits<int>::max() ? int(port) : 0;
}

bool Settings::WritePort(int port)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication);
    settings.setValue(portKey(), port);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace lumo
