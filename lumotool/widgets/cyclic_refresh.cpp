#include "widgets/cyclic_refresh.h"

#include <utility>

namespace lumo {

CyclicRefresh::CyclicRefresh(std::function<bool()> tick, QObject* parent)
    : QObject(parent), tick_(std::move(tick))
{
    timer_.setObjectName(QStringLiteral("timer 1"));
    timer_.setProperty("timerId", QVariant(int(kTimerId)));
    timer_.setInterval(kPeriodMs);
    // A coarse timer may fire a little early; the pause between two
    // refreshes must be the full period.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CyclicRefresh::onTimeout);
}

void CyclicRefresh::onTimeout()
{
    timer_.stop();
    if (tick_()) start();
}

CyclicRefresh::Pause::Pause(CyclicRefresh& refresh, std::function<bool()> wanted)
    : refresh_(refresh), wanted_(std::move(wanted)), wasRunning_(refresh.running())
{
    if (wasRunning_) refresh_.stop();
}

CyclicRefresh::Pause::~Pause()
{
    if (wasRunning_ && wanted_() && !refresh_.running()) refresh_.start();
}

}  // namespace lumo
