#include "gardosim/faults.h"

#include "frames.h"

namespace gardosim {
namespace {

struct NamedFault {
    FaultKind kind;
    const char* name;
};

constexpr NamedFault kNames[] = {
    {FaultKind::None, "none"},         {FaultKind::Silence, "silence"},   {FaultKind::Reject, "reject"},
    {FaultKind::Faulty, "faulty"},     {FaultKind::Unknown, "unknown"},   {FaultKind::Ack, "ack"},
    {FaultKind::BadChecksum, "badsum"}, {FaultKind::BadType, "badtype"},  {FaultKind::BadLength, "badlen"},
    {FaultKind::LongReply, "long"},    {FaultKind::Garbage, "garbage"},   {FaultKind::Delay, "delay"},
};

int valueOr(int value, int fallback) { return value < 0 ? fallback : value; }

}  // namespace

const char* faultName(FaultKind kind) {
    for (const auto& n : kNames)
        if (n.kind == kind) return n.name;
    return "?";
}

FaultKind faultFromName(const std::string& name) {
    for (const auto& n : kNames)
        if (name == n.name) return n.kind;
    return FaultKind::None;
}

bool readOnlyFault(FaultKind kind) {
    return kind == FaultKind::BadChecksum || kind == FaultKind::BadType || kind == FaultKind::BadLength ||
           kind == FaultKind::LongReply;
}

void FaultPlan::add(const Fault& fault) {
    if (fault.kind == FaultKind::None || fault.count == 0) return;
    faults_.push_back(fault);
}

void FaultPlan::clear() { faults_.clear(); }

std::vector<Fault> FaultPlan::pending() const { return {faults_.begin(), faults_.end()}; }

FaultOutcome FaultPlan::apply(bool isRead, std::vector<uint8_t> reply) {
    FaultOutcome out;
    auto it = faults_.begin();
    while (it != faults_.end() && readOnlyFault(it->kind) && !isRead) ++it;
    // A read-only fault cannot act on a reply that is not a read reply.
    if (it == faults_.end() || (readOnlyFault(it->kind) && (reply.size() < 4 || reply[0] != gardo::kReplyStart))) {
        out.reply = std::move(reply);
        return out;
    }
    const Fault f = *it;
    if (it->count != kForever && --it->count <= 0) faults_.erase(it);

    out.kind = f.kind;
    switch (f.kind) {
    case FaultKind::None: out.reply = std::move(reply); break;
    case FaultKind::Silence: out.silent = true; break;
    case FaultKind::Reject: out.reply = {gardo::kReplyRejected}; break;
    case FaultKind::Faulty: out.reply = {gardo::kReplyFaulty}; break;
    case FaultKind::Unknown: out.reply = {static_cast<uint8_t>(valueOr(f.value, '?'))}; break;
    case FaultKind::Ack: out.reply = {gardo::kReplyAck}; break;
    case FaultKind::Garbage: out.reply = {0xFF, 0x00, 0x55, 0xAA, 0x13}; break;
    case FaultKind::Delay:
        out.delayMs = valueOr(f.value, 500);
        out.reply = std::move(reply);
        break;
    case FaultKind::BadChecksum:
        out.reply = std::move(reply);
        out.reply.back() = static_cast<uint8_t>(out.reply.back() + 1);
        break;
    case FaultKind::BadType: {
        out.reply = std::move(reply);
        out.reply[1] = static_cast<uint8_t>(valueOr(f.value, 0x15));
        out.reply.back() = gardo::checksum(std::span(out.reply).subspan(1, out.reply.size() - 2));
        break;
    }
    case FaultKind::BadLength:
    case FaultKind::LongReply: {
        // Well-formed apart from its length: as many data bytes as announced.
        std::vector<uint8_t> data(reply.begin() + 3, reply.end() - 1);
        const std::size_t n = f.kind == FaultKind::LongReply ? data.size() + 1
                                                              : static_cast<std::size_t>(valueOr(f.value, 9) & 0xFF);
        data.resize(n, 0xEE);
        out.reply = {gardo::kReplyStart, gardo::kReplyType, static_cast<uint8_t>(n)};
        out.reply.insert(out.reply.end(), data.begin(), data.end());
        out.reply.push_back(gardo::checksum(std::span(out.reply).subspan(1)));
        break;
    }
    }
    return out;
}

}  // namespace gardosim
