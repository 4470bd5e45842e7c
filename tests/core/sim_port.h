// A gardosim controller registered as a COM port in the test's ports folder.
#pragma once

#include <gardosim/simulator.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lumo::test {

struct SimPort {
    std::unique_ptr<gardosim::Simulator> sim = std::make_unique<gardosim::Simulator>();

    // Starts the simulator and links COM<port> to it; false on failure
    // (reported as a test failure).
    bool start(int port)
    {
        std::string error;
        if (!sim->start(&error)) {
            ADD_FAILURE() << "simulator: " << error;
            return false;
        }
        if (sim->registerPort("COM" + std::to_string(port), {}, &error).empty()) {
            ADD_FAILURE() << "port link: " << error;
            return false;
        }
        return true;
    }
};

}  // namespace lumo::test
