#include "gardosim/memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

namespace gardosim {
namespace {

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

unsigned daysInMonth(int64_t year, unsigned month) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    return kDays[month - 1];
}

void putLe(std::vector<uint8_t>& mem, uint32_t address, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) mem[address + i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr char kMagic[] = "GARDOSIM-MEMORY 1\n";
constexpr std::size_t kMagicLen = sizeof(kMagic) - 1;
constexpr std::size_t kStateBytes = 7 + 4;

}  // namespace

std::size_t areaSize(Area area) {
    switch (area) {
    case Area::Program: return kProgramSize;
    case Area::Process: return kProcessSize;
    case Area::Clock: return kClockSize;
    case Area::RemoteDisplay: return kRemoteDisplaySize;
    case Area::RemoteValues: return kRemoteValuesSize;
    }
    return 0;
}

const char* areaName(Area area) {
    switch (area) {
    case Area::Program: return "program";
    case Area::Process: return "process";
    case Area::Clock: return "clock";
    case Area::RemoteDisplay: return "display";
    case Area::RemoteValues: return "values";
    }
    return "?";
}

bool clockValid(const ClockBytes& c) {
    if (c[0] > 6 || c[1] > 23 || c[2] > 59 || c[3] > 59) return false;
    if (c[5] < 1 || c[5] > 12) return false;
    return c[4] >= 1 && c[4] <= daysInMonth(2000 + c[6], c[5]);
}

ClockBytes advanceClock(const ClockBytes& c, int64_t seconds) {
    if (!clockValid(c) || seconds <= 0) return c;
    const int64_t day0 = daysFromCivil(2000 + c[6], c[5], c[4]);
    const int64_t total = c[1] * 3600 + c[2] * 60 + c[3] + seconds;
    const int64_t dayShift = total / 86400;
    const int64_t secOfDay = total % 86400;
    int64_t y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(day0 + dayShift, &y, &m, &d);
    ClockBytes out{};
    out[0] = static_cast<uint8_t>((c[0] + dayShift) % 7);
    out[1] = static_cast<uint8_t>(secOfDay / 3600);
    out[2] = static_cast<uint8_t>(secOfDay / 60 % 60);
    out[3] = static_cast<uint8_t>(secOfDay % 60);
    out[4] = static_cast<uint8_t>(d);
    out[5] = static_cast<uint8_t>(m);
    // The year byte wraps as the controller's does.
    out[6] = static_cast<uint8_t>((y - 2000) & 0xFF);
    return out;
}

ClockBytes hostClock() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    ClockBytes c{};
    c[0] = static_cast<uint8_t>((tm.tm_wday + 6) % 7);  // tm: 0 = Sunday
    c[1] = static_cast<uint8_t>(tm.tm_hour);
    c[2] = static_cast<uint8_t>(tm.tm_min);
    c[3] = static_cast<uint8_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    c[4] = static_cast<uint8_t>(tm.tm_mday);
    c[5] = static_cast<uint8_t>(tm.tm_mon + 1);
    const int year = tm.tm_year + 1900;
    c[6] = static_cast<uint8_t>(year >= 2000 ? (year - 2000) & 0xFF : 0);
    return c;
}

void RunningClock::set(const ClockBytes& value, TimePoint now) {
    base_ = value;
    since_ = now;
}

ClockBytes RunningClock::at(TimePoint now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - since_).count();
    return advanceClock(base_, elapsed);
}

DeviceMemory::DeviceMemory()
    : program_(kProgramSize), process_(kProcessSize), display_(kRemoteDisplaySize), values_(kRemoteValuesSize) {
    loadDefaults(hostClock(), std::chrono::steady_clock::now());
}

void DeviceMemory::loadDefaults(const ClockBytes& clock, TimePoint now) {
    std::fill(program_.begin(), program_.end(), 0);
    std::fill(process_.begin(), process_.end(), 0);
    std::fill(display_.begin(), display_.end(), 0);
    std::fill(values_.begin(), values_.end(), 0);
    state_ = DeviceState{};

    // Meter readings in ml: liquid, then gas, per side.
    putLe(program_, addr::kMeterLeft, 48213750, 4);
    putLe(program_, addr::kMeterLeft + 4, 46892310, 4);
    putLe(program_, addr::kMeterRight, 51377420, 4);
    putLe(program_, addr::kMeterRight + 4, 50118965, 4);
    // Calibration in pulses per litre: left petrol, left gas, right petrol, right gas.
    const uint8_t calibration[4] = {100, 98, 102, 97};
    std::memcpy(&program_[addr::kCalibration], calibration, 4);
    // Trigger values in l/min, left and right.
    program_[addr::kTrigger] = 18;
    program_[addr::kTrigger + 1] = 20;
    // Error thresholds in percent, then the error values in 0.01 %.
    program_[addr::kErrorFigures] = 15;
    program_[addr::kErrorFigures + 1] = 12;
    putLe(program_, addr::kErrorFigures + 2, 1234, 2);
    putLe(program_, addr::kErrorFigures + 4, 567, 2);

    // Refuelling records: record 1 is the newest; one refuelling a day,
    // going back from the clock's date.
    for (int side = 0; side < 2; ++side) {
        const uint32_t base = side == 0 ? addr::kRecordsLeft : addr::kRecordsRight;
        for (int k = 0; k < kRecordsPerSide; ++k) {
            const uint32_t a = base + static_cast<uint32_t>(k * kRecordSize);
            const uint32_t liquid = 12000 + static_cast<uint32_t>(k * 3170 + side * 1450) % 48000;
            // Gas within about 95..105 % of the liquid volume.
            const uint32_t gas = liquid * (95 + static_cast<uint32_t>((k * 7 + side * 3) % 11)) / 100;
            putLe(program_, a, liquid, 4);
            putLe(program_, a + 4, gas, 4);
            const uint8_t in = static_cast<uint8_t>(0x01 | ((k % 3 == 0) ? 0x02 : 0) | ((k % 4 == 1) ? 0x04 : 0));
            const uint8_t out = static_cast<uint8_t>(0x01 | ((k % 2 == 0) ? 0x02 : 0) | ((k % 5 == 2) ? 0x08 : 0));
            program_[a + 8] = side == 0 ? in : static_cast<uint8_t>(in << 4);
            program_[a + 9] = side == 0 ? out : static_cast<uint8_t>(out << 4);
            const ClockBytes when = clockValid(clock) ? advanceClock(clock, 0) : ClockBytes{0, 12, 0, 0, 1, 1, 24};
            // Step back k days (and a little time) from the clock's date.
            const int64_t back = static_cast<int64_t>(k) * 86400 + 3600 * (1 + k % 5) + 60 * (k * 13 % 60);
            const int64_t day0 = daysFromCivil(2000 + when[6], when[5], when[4]) * 86400 +
                                 when[1] * 3600 + when[2] * 60 + when[3] - back;
            int64_t y = 0;
            unsigned m = 0, d = 0;
            const int64_t days = day0 >= 0 ? day0 / 86400 : (day0 - 86399) / 86400;
            const int64_t sec = day0 - days * 86400;
            civilFromDays(days, &y, &m, &d);
            program_[a + 10] = static_cast<uint8_t>(sec % 60);
            program_[a + 11] = static_cast<uint8_t>(sec / 60 % 60);
            program_[a + 12] = static_cast<uint8_t>(sec / 3600);
            program_[a + 13] = static_cast<uint8_t>(d);
            program_[a + 14] = static_cast<uint8_t>(m);
            program_[a + 15] = static_cast<uint8_t>(((y % 100) + 100) % 100);
        }
    }
    putLe(program_, addr::kIdent, kDefaultIdent, 4);

    process_[addr::kOperating] = 20;
    process_[addr::kSensors] = 0xB0;  // left gas + petrol sensor, right petrol sensor
    putLe(process_, addr::kErrorTimeLeft, 90, 2);    // 1 h 30 min
    putLe(process_, addr::kErrorTimeRight, 135, 2);  // 2 h 15 min
    // Counters 78/81 with the bytes that their 4-byte transfers carry along.
    putLe(process_, addr::kCounterLeft, 3, 2);
    process_[80] = 0x5A;
    putLe(process_, addr::kCounterRight, 7, 2);
    process_[83] = 0xA5;
    process_[84] = 0x3C;

    static constexpr char kDisplay[] = "GARDO READY";
    std::memcpy(display_.data(), kDisplay, sizeof(kDisplay) - 1);

    clock_.set(clock, now);
    std::memcpy(state_.activeCalibration.data(), calibration, 4);
}

std::vector<uint8_t>& DeviceMemory::bytes(Area area) {
    switch (area) {
    case Area::Process: return process_;
    case Area::RemoteDisplay: return display_;
    case Area::RemoteValues: return values_;
    default: return program_;
    }
}

const std::vector<uint8_t>& DeviceMemory::bytes(Area area) const {
    return const_cast<DeviceMemory*>(this)->bytes(area);
}

bool DeviceMemory::inRange(Area area, uint32_t address, std::size_t count) const {
    const std::size_t size = areaSize(area);
    return address <= size && count <= size - address;
}

std::vector<uint8_t> DeviceMemory::read(Area area, uint32_t address, std::size_t count, TimePoint now) const {
    std::vector<uint8_t> out(count, 0);
    if (area == Area::Clock) {
        const ClockBytes c = clock_.at(now);
        for (std::size_t i = 0; i < count; ++i)
            if (uint64_t{address} + i < kClockSize) out[i] = c[address + i];
        return out;
    }
    const auto& mem = bytes(area);
    for (std::size_t i = 0; i < count; ++i)
        if (uint64_t{address} + i < mem.size()) out[i] = mem[address + i];
    return out;
}

void DeviceMemory::write(Area area, uint32_t address, std::span<const uint8_t> data, TimePoint now) {
    if (area == Area::Clock) {
        // A partial write patches the running value; the clock runs on from there.
        ClockBytes c = clock_.at(now);
        for (std::size_t i = 0; i < data.size(); ++i)
            if (uint64_t{address} + i < kClockSize) c[address + i] = data[i];
        clock_.set(c, now);
        return;
    }
    auto& mem = bytes(area);
    for (std::size_t i = 0; i < data.size(); ++i)
        if (uint64_t{address} + i < mem.size()) mem[address + i] = data[i];
}

bool DeviceMemory::save(const std::string& path, TimePoint now, std::string* error) const {
    std::vector<uint8_t> image(kMagic, kMagic + kMagicLen);
    auto append = [&](const std::vector<uint8_t>& v) { image.insert(image.end(), v.begin(), v.end()); };
    append(program_);
    append(process_);
    append(display_);
    append(values_);
    const ClockBytes c = clock_.at(now);
    image.insert(image.end(), c.begin(), c.end());
    // Host time of saving, so that the clock has run on when loaded again.
    const int64_t wall = static_cast<int64_t>(std::time(nullptr));
    for (int i = 0; i < 8; ++i) image.push_back(static_cast<uint8_t>(static_cast<uint64_t>(wall) >> (8 * i)));
    const DeviceState& s = state_;
    image.insert(image.end(), {uint8_t(s.running), uint8_t(s.testActive), uint8_t(s.retention), uint8_t(s.pkeys),
                               uint8_t(s.debounce), uint8_t(s.dst), uint8_t(s.remoteMode)});
    image.insert(image.end(), s.activeCalibration.begin(), s.activeCalibration.end());

    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (f) f.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        if (f) f.flush();
        if (!f) {
            if (error) *error = "cannot write " + tmp + ": " + std::strerror(errno);
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        if (error) *error = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool DeviceMemory::load(const std::string& path, TimePoint now, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::size_t expected = kMagicLen + kProgramSize + kProcessSize + kRemoteDisplaySize +
                                 kRemoteValuesSize + kClockSize + 8 + kStateBytes;
    if (image.size() != expected || std::memcmp(image.data(), kMagic, kMagicLen) != 0) {
        if (error) *error = path + " is not a gardosim memory file";
        return false;
    }
    auto p = image.begin() + static_cast<std::ptrdiff_t>(kMagicLen);
    auto take = [&](std::vector<uint8_t>& v) {
        std::copy(p, p + static_cast<std::ptrdiff_t>(v.size()), v.begin());
        p += static_cast<std::ptrdiff_t>(v.size());
    };
    take(program_);
    take(process_);
    take(display_);
    take(values_);
    ClockBytes c{};
    std::copy(p, p + kClockSize, c.begin());
    p += kClockSize;
    uint64_t wall = 0;
    for (int i = 0; i < 8; ++i) wall |= static_cast<uint64_t>(*p++) << (8 * i);
    const int64_t off = static_cast<int64_t>(std::time(nullptr)) - static_cast<int64_t>(wall);
    clock_.set(advanceClock(c, off), now);
    state_ = DeviceState{};
    state_.running = *p++ != 0;
    state_.testActive = *p++ != 0;
    state_.retention = *p++ != 0;
    state_.pkeys = *p++ != 0;
    state_.debounce = *p++ != 0;
    state_.dst = *p++ != 0;
    state_.remoteMode = *p++ != 0;
    std::copy(p, p + 4, state_.activeCalibration.begin());
    return true;
}

}  // namespace gardosim
