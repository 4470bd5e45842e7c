// Shared by the benchmark programs: the figures of a series of timings, and
// gardosim on a pseudo-terminal entered as COM1 in a private ports folder.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gardosim/simulator.h"

// Points the ports folder, the per-user data folder and the runtime folder
// below root (ports folder made), so that a benchmark touches nothing of the
// user's.
inline void UsePrivateFolders(const std::string& root) {
    ::setenv("SERLINK_PORTS_DIR", (root + "/ports").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    std::filesystem::create_directories(root + "/ports");
}

struct Figures {
    double mean = 0, median = 0, min = 0, max = 0;
};

inline Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    return {sum / double(ms.size()), ms[ms.size() / 2], ms.front(), ms.back()};
}

// A simulator with wire timing at baud, entered as COM1 in a fresh ports
// folder that SERLINK_PORTS_DIR then names; both go when it is destroyed.
class BenchSim {
public:
    // False (with the reason on stderr) when it could not be set up.
    bool start(int baud) {
        char tmpl[] = "/tmp/lumo-benchXXXXXX";
        if (!::mkdtemp(tmpl)) return false;
        dir_ = tmpl;
        ::setenv("SERLINK_PORTS_DIR", dir_.c_str(), 1);
        gardosim::Options o;
        o.wireBaud = baud;
        sim_ = std::make_unique<gardosim::Simulator>(o);
        std::string err;
        if (!sim_->start(&err) || sim_->registerPort("COM1", dir_, &err).empty()) {
            std::fprintf(stderr, "gardosim: %s\n", err.c_str());
            return false;
        }
        return true;
    }
    ~BenchSim() {
        sim_.reset();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    const std::string& dir() const { return dir_; }
    // The pseudo-terminal's slave side (what a device server serves).
    std::string device() const { return sim_ ? sim_->slavePath() : std::string(); }

private:
    std::string dir_;
    std::unique_ptr<gardosim::Simulator> sim_;
};
