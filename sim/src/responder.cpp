#include "gardosim/responder.h"

#include <span>

#include "frames.h"

namespace gardosim {
namespace {

uint8_t frameChecksum(const std::vector<uint8_t>& raw, std::size_t end) {
    return gardo::checksum(std::span(raw).subspan(1, end - 1));
}

}  // namespace

FrameKind frameKindOf(uint8_t code) {
    if (code >= 0x80 && code <= 0x8F) return FrameKind::Read;
    if (code >= 0xA0 && code <= 0xAF) return FrameKind::Write;
    if (code >= 0xC0 && code <= 0xDF) return FrameKind::Short;
    return FrameKind::Unknown;
}

void FrameParser::setStation(uint8_t station) {
    station_ = station;
    reset();
}

void FrameParser::reset() { raw_.clear(); }

std::size_t FrameParser::expectedLength() const {
    if (raw_.size() < 2) return 0;
    switch (frameKindOf(raw_[1])) {
    case FrameKind::Short: return 3;
    case FrameKind::Read: return 6;
    case FrameKind::Write: return raw_.size() < 3 ? 0 : 6u + raw_[2];
    case FrameKind::Unknown: return 2;
    }
    return 0;
}

std::optional<Frame> FrameParser::feed(uint8_t byte, TimePoint now) {
    if (!raw_.empty() && now - last_ > kStallTimeout) raw_.clear();
    last_ = now;
    if (raw_.empty() && byte != station_) {
        ++skipped_;
        return std::nullopt;
    }
    raw_.push_back(byte);
    const std::size_t len = expectedLength();
    if (len == 0 || raw_.size() < len) return std::nullopt;

    Frame f;
    f.raw = std::move(raw_);
    raw_.clear();
    f.code = f.raw[1];
    f.kind = frameKindOf(f.code);
    switch (f.kind) {
    case FrameKind::Short: f.intact = f.raw[2] == f.raw[1]; break;
    case FrameKind::Read:
    case FrameKind::Write:
        f.count = f.raw[2];
        f.address = static_cast<uint16_t>(f.raw[3] | (f.raw[4] << 8));
        if (f.kind == FrameKind::Write) f.data.assign(f.raw.begin() + 5, f.raw.end() - 1);
        f.intact = frameChecksum(f.raw, f.raw.size() - 1) == f.raw.back();
        break;
    case FrameKind::Unknown: f.intact = false; break;
    }
    return f;
}

bool areaOfCode(uint8_t code, Area* area) {
    const FrameKind kind = frameKindOf(code);
    if (kind != FrameKind::Read && kind != FrameKind::Write) return false;
    switch (code & 0x0F) {
    case 0x0: *area = Area::Program; return true;
    case 0x1: *area = Area::Process; return true;
    case 0x2: *area = Area::Clock; return true;
    case 0x3: *area = Area::RemoteDisplay; return true;
    case 0x6: *area = Area::RemoteValues; return true;
    default: return false;
    }
}

Answer respond(const Frame& frame, DeviceMemory& memory, std::chrono::steady_clock::time_point now) {
    Answer a;
    a.reply = {kFaulty};
    if (!frame.intact) return a;
    DeviceState& s = memory.state();

    if (frame.kind == FrameKind::Short) {
        switch (static_cast<gardo::Cmd>(frame.code)) {
        case gardo::Cmd::Stop: s.running = false; break;
        case gardo::Cmd::Start: s.running = true; break;
        case gardo::Cmd::ApplyProgram: {
            const auto cal = memory.read(Area::Program, addr::kCalibration, 4, now);
            std::copy(cal.begin(), cal.end(), s.activeCalibration.begin());
            ++s.applyCount;
            break;
        }
        case gardo::Cmd::ActivateTest: s.testActive = true; break;
        case gardo::Cmd::Retention: s.retention = true; break;
        case gardo::Cmd::AutoRun:
            s.running = true;
            ++s.autoRunCount;
            break;
        case gardo::Cmd::PKeysOn: s.pkeys = true; break;
        case gardo::Cmd::PKeysOff: s.pkeys = false; break;
        case gardo::Cmd::DebounceOn: s.debounce = true; break;
        case gardo::Cmd::DebounceOff: s.debounce = false; break;
        case gardo::Cmd::DstOn: s.dst = true; break;
        case gardo::Cmd::DstOff: s.dst = false; break;
        case gardo::Cmd::RemoteModeOn: s.remoteMode = true; break;
        case gardo::Cmd::RemoteModeOff: s.remoteMode = false; break;
        default: return a;  // a code the controller does not know
        }
        a.reply = {kAck};
        a.memoryChanged = true;
        return a;
    }

    Area area{};
    if (!areaOfCode(frame.code, &area)) return a;
    if (frame.kind == FrameKind::Read) {
        if (frame.count < 1 || frame.count > gardo::kMaxReadData) return a;
        if (!memory.inRange(area, frame.address, frame.count)) return a;
        a.reply = gardo::build_read_reply(memory.read(area, frame.address, frame.count, now));
        return a;
    }
    if (frame.count > gardo::kMaxWriteData) return a;
    if (!memory.inRange(area, frame.address, frame.count)) return a;
    memory.write(area, frame.address, frame.data, now);
    a.reply = {kAck};
    a.memoryChanged = !frame.data.empty();
    return a;
}

}  // namespace gardosim
