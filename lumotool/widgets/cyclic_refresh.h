// The cyclic refresh of the refreshing dialogs: timer 1 with a 500 ms pause
// between the end of one refresh and the start of the next. A tick stops the
// timer, runs the refresh and starts the timer again only when the refresh
// succeeded, so a refresh never overlaps itself and the first failure ends
// the refreshing until the user switches it on again.
#pragma once

#include <QObject>
#include <QTimer>
#include <QVariant>

#include <functional>

namespace lumo {

class CyclicRefresh : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerId = 1;
    static constexpr int kPeriodMs = 500;

    // tick() runs a refresh and returns whether it succeeded.
    explicit CyclicRefresh(std::function<bool()> tick, QObject* parent = nullptr);

    void start() { timer_.start(kPeriodMs); }
    void stop() { timer_.stop(); }
    bool running() const { return timer_.isActive(); }
    const QTimer& timer() const { return timer_; }

    // Holds the refresh still for its lifetime (while a command talks to the
    // controller or a sub-dialog is open) and starts it again afterwards if
    // it ran before and wanted() still holds; a failure in between that
    // switched the refresh off leaves it off, and one that already started
    // it again is left alone.
    class Pause {
    public:
        Pause(CyclicRefresh& refresh, std::function<bool()> wanted);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        CyclicRefresh& refresh_;
        std::function<bool()> wanted_;
        bool wasRunning_;
    };

private:
    void onTimeout();

    std::function<bool()> tick_;
    QTimer timer_;
};

}  // namespace lumo
