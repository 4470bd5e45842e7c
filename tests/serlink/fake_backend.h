// A scripted port backend: records the calls the algorithms make and answers
// from fields the test sets. Its clock only moves when the test says so.
#ifndef SERLINK_TEST_FAKE_BACKEND_H
#define SERLINK_TEST_FAKE_BACKEND_H

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "port_backend.h"

// A handle value for tests, whatever the platform's handle type is.
inline serlink_handle_t fake_handle(intptr_t value) { return (serlink_handle_t)value; }

class FakeBackend final : public serlink::PortBackend {
public:
    using Settings = serlink::PortSettings;
    // Script.
    serlink_handle_t open_handle = fake_handle(7);
    std::set<std::string> failing;     // calls that fail, by name
    uint32_t error_number = 0;         // last_error() after a failure
    Settings port_settings;            // what get_settings() reports
    std::deque<uint32_t> error_words;  // one per clear_error(), then 0
    uint32_t out_queue = 0;
    bool immediate_char = false, short_read = false;
    std::deque<uint8_t> input;         // bytes waiting to be read
    uint32_t clock = 0;
    std::function<void()> on_wait = [this] { ++clock; };  // run by both wait hooks
    // Record.
    std::vector<std::string> calls;    // every call but clear_error()
    std::string opened;
    Settings applied;
    serlink::PortTimeouts timeouts;
    uint32_t event_mask = 0, in_size = 0, out_size = 0, purge_flags = 0;
    std::vector<uint8_t> written;
    std::vector<uint32_t> wait_limits;
    int polls = 0;                     // clear_error() calls

    serlink_handle_t open(const char* d) override { opened = d; return ok("open") ? open_handle : SERLINK_INVALID_HANDLE; }
    bool set_event_mask(serlink_handle_t, uint32_t m) override { event_mask = m; return ok("set_event_mask"); }
    bool setup_queues(serlink_handle_t, uint32_t in, uint32_t out) override {
        in_size = in, out_size = out;
        return ok("setup_queues");
    }
    bool build_settings(const char*, Settings& s) override { s.baud_rate = 1; return ok("build_settings"); }
    bool get_settings(serlink_handle_t, Settings& s) override { s = port_settings; return ok("get_settings"); }
    bool set_settings(serlink_handle_t, const Settings& s) override { applied = s; return ok("set_settings"); }
    bool set_timeouts(serlink_handle_t, const serlink::PortTimeouts& t) override { timeouts = t; return ok("set_timeouts"); }
    bool purge(serlink_handle_t, uint32_t flags) override { purge_flags = flags; return ok("purge"); }
    bool clear_break(serlink_handle_t) override { return ok("clear_break"); }
    bool clear_error(serlink_handle_t, uint32_t& errors, serlink::PortStatus& st) override {
        ++polls;
        if (failing.count("clear_error")) return false;
        errors = error_words.empty() ? 0 : error_words.front();
        if (!error_words.empty()) error_words.pop_front();
        st.in_queue = static_cast<uint32_t>(input.size());
        st.out_queue = out_queue;
        st.immediate_char = immediate_char;
        return true;
    }
    bool read_byte(serlink_handle_t, uint8_t* dest, uint32_t& count) override {
        count = 0;
        if (!ok("read_byte")) return false;
        if (!short_read && !input.empty()) *dest = input.front(), input.pop_front(), count = 1;
        return true;
    }
    bool write_byte(serlink_handle_t, uint8_t b, uint32_t& count) override {
        count = 0;
        if (!ok("write_byte")) return false;
        written.push_back(b), count = 1;
        return true;
    }
    bool close(serlink_handle_t) override { return ok("close"); }
    uint32_t last_error() override { return error_number; }
    uint32_t tick_ms() override { return clock; }
    void wait_input(serlink_handle_t, uint32_t max_ms) override { wait_limits.push_back(max_ms), on_wait(); }
    void wait_output(serlink_handle_t, uint32_t max_ms) override { wait_limits.push_back(max_ms), on_wait(); }

private:
    bool ok(const char* name) {
        calls.push_back(name);
        return failing.count(name) == 0;
    }
};

#endif  // SERLINK_TEST_FAKE_BACKEND_H
