// A second program for the single-instance tests.
//   single_instance_peer DIR guard          run the guard, print the outcome
//   single_instance_peer DIR hold           take the lock (as during the login)
//   single_instance_peer DIR listen         take the lock, show a minimised main
//                                           dialog that listens; print "restored"
//                                           when a knock brings it back
// It prints "admitted", "raised" or "locked" and, when holding, "ready";
// then it runs until it is killed.
#include "widgets/single_instance.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

#include <cstdio>
#include <cstring>

namespace {

class StateWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange) {
            auto* w = static_cast<QWidget*>(watched);
            if (!w->isMinimized()) {
                std::puts("restored");
                std::fflush(stdout);
            }
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lumo::SingleInstance guard(lumo::SingleInstance::kName, QString::fromLocal8Bit(argv[1]));
    const auto outcome = guard.Guard(2, 50);
    const char* text = outcome == lumo::SingleInstance::Outcome::Admitted        ? "admitted"
                       : outcome == lumo::SingleInstance::Outcome::RaisedRunning ? "raised"
                                                                                  : "locked";
    std::puts(text);
    std::fflush(stdout);
    const bool admitted = outcome == lumo::SingleInstance::Outcome::Admitted;
    if (std::strcmp(argv[2], "guard") == 0 || !admitted)
        return admitted ? 0 : 1;

    QDialog main;
    StateWatch watch;
    if (std::strcmp(argv[2], "listen") == 0) {
        main.showMinimized();
        main.installEventFilter(&watch);
        if (!lumo::SingleInstance::listen(&main))
            return 3;
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
