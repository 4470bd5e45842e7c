// The simulated controller most program tests talk to: gardosim on a pty,
// registered as COM<n> in the test's ports folder, with the serial byte wait
// kept at its normal value while the controller answers. Plus the small
// helpers those tests share for waiting on the event loop and answering
// modal dialogs.
#pragma once

#include <gardosim/simulator.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class QString;

namespace lumo::test {

// Byte waits of the serial library: the normal one, used whenever the
// controller is expected to answer (a loaded machine may answer late), and a
// short one that keeps a controller known to be silent from costing seconds.
inline constexpr int kNormalWait = 2000;
inline constexpr int kShortWait = 100;

class SimLink {
public:
    SimLink() = default;
    ~SimLink();
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    // Starts a simulator and links COM<port> to it, with the normal byte
    // wait. False on failure, reported as a test failure.
    bool start(int port, gardosim::Options options = {});
    // Opens the link of the program (DeviceLink) to COM<port>; false on
    // failure, reported as a test failure.
    bool open();
    // Closes the program's link when this opened it.
    void close();
    // Closes, stops the simulator and restores the normal byte wait.
    void reset();

    // The controller stops answering until clearFaults(); from now on a read
    // gives up after the short byte wait.
    void silence();
    // Clears every fault and goes back to the normal byte wait.
    void clearFaults();

    int port() const { return port_; }
    QString portName() const;  // "COM<port>:"
    gardosim::Simulator& sim() { return *sim_; }
    const gardosim::Simulator& sim() const { return *sim_; }
    gardosim::Simulator* operator->() { return sim_.get(); }
    const gardosim::Simulator* operator->() const { return sim_.get(); }
    explicit operator bool() const { return sim_ != nullptr; }

private:
    std::unique_ptr<gardosim::Simulator> sim_;
    int port_ = 0;
    bool opened_ = false;
};

// Processes events until pred() holds or timeoutMs passed; returns pred().
// The limit is generous: it only ends a test that would otherwise hang.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 20000);

// Acts on the next modal dialog of type T as soon as it is on screen.
template <typename T>
void whenModal(std::function<void(T*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(d);
        }
    });
    poll->start();
}

// Answers the next port choice (PortDialog) with COM<port> and "Versuchen",
// as a technician would when the program asks for the port.
void choosePortWhenAsked(int port);

// The child of parent whose "controlId" property is id, or null.
QWidget* byId(QWidget* parent, int id);
template <typename T>
T* byId(QWidget* parent, int id)
{
    return qobject_cast<T*>(byId(parent, id));
}
// The same for a control the test relies on: its absence fails the test.
template <typename T>
T* byId(QWidget& parent, int id)
{
    T* control = byId<T>(&parent, id);
    if (!control) ADD_FAILURE() << "no control " << id;
    return control;
}

}  // namespace lumo::test
