#include "support/recording_ui.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace lumo::test {

RecordingUi::RecordingUi()
{
    installUi(this);
}

RecordingUi::~RecordingUi()
{
    if (&ui() == this)
        installUi(nullptr);
}

MsgResult RecordingUi::showMessage(const Message& message)
{
    ShownMessage shown;
    shown.text = message.text;
    shown.caption = message.caption;
    shown.icon = message.icon;
    shown.buttons = message.buttons;
    shown.modality = message.modality;
    shown.parent = message.parent;
    if (message.buttons == MsgButtons::YesNo) {
        bool yes = defaultYes_;
        if (!answers_.empty()) {
            yes = answers_.front();
            answers_.pop_front();
        }
        shown.answer = yes ? MsgResult::Yes : MsgResult::No;
    } else {
        shown.answer = MsgResult::Ok;
    }
    messages_.push_back(shown);
    if (onShow)
        onShow(shown);
    return shown.answer;
}

bool RecordingUi::openWithDesktop(const QString& path)
{
    desktopOpens_.append(path);
    return desktopResult;
}

QString RecordingUi::chooseSaveFile(const QString& caption, const QString&, const QString&, QWidget*)
{
    saveFileCaptions.append(caption);
    return saveFileAnswers.isEmpty() ? QString() : saveFileAnswers.takeFirst();
}

void RecordingUi::queueAnswer(bool yes)
{
    answers_.push_back(yes);
}

void RecordingUi::queueAnswers(std::initializer_list<bool> yes)
{
    for (bool answer : yes)
        answers_.push_back(answer);
}

std::size_t RecordingUi::countCaption(const QString& caption) const
{
    std::size_t n = 0;
    for (const auto& m : messages_)
        n += m.caption == caption ? 1 : 0;
    return n;
}

std::size_t RecordingUi::countText(const QString& text) const
{
    std::size_t n = 0;
    for (const auto& m : messages_)
        n += m.text == text ? 1 : 0;
    return n;
}

ShownMessage RecordingUi::last() const
{
    if (messages_.empty()) {
        ADD_FAILURE() << "no message box was shown";
        return {};
    }
    return messages_.back();
}

QStringList RecordingUi::texts() const
{
    QStringList list;
    for (const auto& m : messages_)
        list.append(m.text);
    return list;
}

void RecordingUi::clear()
{
    messages_.clear();
    answers_.clear();
    desktopOpens_.clear();
}

namespace {

struct TestDirs {
    QTemporaryDir root;  // 0700, removed at exit
    QString config, data, runtime, ports;
};

std::unique_ptr<TestDirs>& dirs()
{
    static std::unique_ptr<TestDirs> d;
    return d;
}

QString makeDir(const QString& base, const char* name)
{
    const QString path = base + QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

}  // namespace

void prepareTestEnvironment()
{
    if (dirs())
        return;
    auto d = std::make_unique<TestDirs>();
    if (!d->root.isValid()) {
        ADD_FAILURE() << "cannot create a temporary folder";
        return;
    }
    const QString base = d->root.path();
    d->config = makeDir(base, "config");
    d->data = makeDir(base, "data");
    d->runtime = makeDir(base, "runtime");
    d->ports = makeDir(base, "ports");
    qputenv("XDG_CONFIG_HOME", d->config.toLocal8Bit());
    qputenv("XDG_DATA_HOME", d->data.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", d->runtime.toLocal8Bit());
    // An empty ports folder: COMn falls back to /dev/ttyS<n-1> unless a test
    // puts a link there.
    if (qEnvironmentVariableIsEmpty("SERLINK_PORTS_DIR"))
        qputenv("SERLINK_PORTS_DIR", d->ports.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    dirs() = std::move(d);
}

QString testConfigHome() { return dirs() ? dirs()->config : QString(); }
QString testDataHome() { return dirs() ? dirs()->data : QString(); }
QString testRuntimeDir() { return dirs() ? dirs()->runtime : QString(); }

QApplication& testApplication()
{
    prepareTestEnvironment();
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    // Never destroyed. The mouse device Qt makes up for synthetic events is
    // a child of the application and takes itself out of Qt's global input
    // device list when destroyed. That list is a static made on first use,
    // after the application, so at exit it is gone before any static or
    // atexit-destroyed application would go: ~QInputDevice then crashes.
    // Only a QApplication on main()'s stack ends cleanly, as in
    // lumo_test_main.
    static int argc = 1;
    static char name[] = "lumo_test";
    static char* argv[] = {name, nullptr};
    return *new QApplication(argc, argv);
}

int execWith(QDialog& dialog, const std::function<void(QDialog&)>& act)
{
    QTimer::singleShot(0, &dialog, [&dialog, act] { act(dialog); });
    return dialog.exec();
}

}  // namespace lumo::test
