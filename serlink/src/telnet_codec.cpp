#include "telnet_codec.h"

namespace serlink::telnet {

void Reader::feed(const uint8_t* bytes, std::size_t count, const DataFn& on_data, const CommandFn& on_command) {
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
        case State::Data:
            if (b == kIac) {
                state_ = State::Iac;
            } else {
                on_data(b);
            }
            break;
        case State::Iac:
            if (b == kIac) {
                on_data(kIac);
                state_ = State::Data;
            } else if (b >= kWill && b <= kDont) {
                command_ = Command{b, 0, {}};
                state_ = State::Option;
            } else if (b == kSb) {
                command_ = Command{kSb, 0, {}};
                state_ = State::Option;
            } else {
                state_ = State::Data;  // NOP, GA and the like carry nothing here
            }
            break;
        case State::Option:
            command_.option = b;
            if (command_.verb == kSb) {
                state_ = State::Sub;
            } else {
                on_command(command_);
                state_ = State::Data;
            }
            break;
        case State::Sub:
            if (b == kIac) {
                state_ = State::SubIac;
            } else if (command_.data.size() < Command::kMaxSubData) {
                command_.data.push_back(b);
            }
            break;
        case State::SubIac:
            if (b == kIac) {
                if (command_.data.size() < Command::kMaxSubData) command_.data.push_back(kIac);
                state_ = State::Sub;
            } else {
                // IAC SE ends it (anything else after IAC ends it too).
                on_command(command_);
                state_ = State::Data;
            }
            break;
        }
    }
}

std::vector<uint8_t> negotiation(uint8_t verb, uint8_t option) { return {kIac, verb, option}; }

std::vector<uint8_t> com_port_command(uint8_t command, const std::vector<uint8_t>& value) {
    std::vector<uint8_t> out{kIac, kSb, kComPort, command};
    for (uint8_t b : value) {
        out.push_back(b);
        if (b == kIac) out.push_back(kIac);
    }
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

}  // namespace serlink::telnet
