#include "widgets/trace_control.h"

#include "core/device_link.h"
#include "core/settings.h"
#include "core/ui_seam.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace lumo {

namespace {

constexpr char kVariable[] = "SERLINK_TRACE";

}  // namespace

QString TraceControl::Target()
{
    return qEnvironmentVariable(kVariable);
}

QString TraceControl::TargetText()
{
    const QString target = Target();
    if (target.isEmpty())
        return tr("Schnittstellen-Mitschnitt: aus");
    if (target == QLatin1String("-"))
        return tr("Schnittstellen-Mitschnitt: Standardfehlerausgabe");
    return tr("Schnittstellen-Mitschnitt: %1").arg(QDir::toNativeSeparators(target));
}

QString TraceControl::ActionText()
{
    return Target().isEmpty() ? tr("Schnittstellen-Mitschnitt starten...")
                              : tr("Schnittstellen-Mitschnitt beenden");
}

QString TraceControl::OpenPort()
{
    const int port = Settings::ReadPort();
    if (port < Settings::kMinPort || port > Settings::kMaxPort)
        return QString();
    return Settings::PortText(port);
}

bool TraceControl::SetTarget(const QString& file, const QString& port)
{
    if (file.isEmpty())
        qunsetenv(kVariable);
    else
        qputenv(kVariable, QFile::encodeName(file));
    if (port.isEmpty())
        return true;
    DeviceLink link;
    if (link.CloseConnection() != 0)
        return false;
    return link.OpenConnection(port) == 0;
}

bool TraceControl::Toggle(QWidget* parent)
{
    if (!Target().isEmpty()) {
        SetTarget(QString(), OpenPort());
        return true;
    }
    const QString suggestion = QDir::home().filePath(
        QStringLiteral("Mitschnitt_%1.txt").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))));
    const QString file = ui().chooseSaveFile(tr("Schnittstellen-Mitschnitt speichern unter"), suggestion,
                                             tr("Textdateien (*.txt);;Alle Dateien (*)"), parent);
    if (file.isEmpty())
        return false;
    SetTarget(QFileInfo(file).absoluteFilePath(), OpenPort());
    return true;
}

QAction* TraceControl::CreateAction(QWidget* parent)
{
    auto* action = new QAction(ActionText(), parent);
    action->setObjectName(QStringLiteral("traceAction"));
    QObject::connect(action, &QAction::triggered, parent, [action, parent] {
        Toggle(parent);
        action->setText(ActionText());
    });
    return action;
}

}  // namespace lumo
