// The backend the exported functions run on: each open goes to the network
// backend for a remote line (a URL, or a ports-folder entry that names one)
// and to the device backend for everything else; every later call goes to
// the backend whose connection the handle is, so that a handle put in place
// from outside reaches the device backend as before.
#include "port_backend.h"
#include "port_network.h"
#include "remote_line.h"

namespace serlink {

namespace {

class LineBackend final : public PortBackend {
public:
    explicit LineBackend(PortBackend& device) : device_(device) {}

    serlink_handle_t open(const char* device) override {
        portnames::RemoteUrl url;
        if (device != nullptr && portnames::RemoteFor(device, &url)) {
            last_ = &net_;
            return net_.open_url(url);
        }
        last_ = &device_;
        return device_.open(device);
    }
    bool set_event_mask(serlink_handle_t h, uint32_t mask) override { return on(h).set_event_mask(h, mask); }
    bool setup_queues(serlink_handle_t h, uint32_t in_size, uint32_t out_size) override {
        return on(h).setup_queues(h, in_size, out_size);
    }
    // Asked for right after an open: the backend that opened checks it.
    bool build_settings(const char* mode, PortSettings& settings) override {
        return last_->build_settings(mode, settings);
    }
    bool get_settings(serlink_handle_t h, PortSettings& settings) override { return on(h).get_settings(h, settings); }
    bool set_settings(serlink_handle_t h, const PortSettings& settings) override {
        return on(h).set_settings(h, settings);
    }
    bool set_timeouts(serlink_handle_t h, const PortTimeouts& timeouts) override {
        return on(h).set_timeouts(h, timeouts);
    }
    bool purge(serlink_handle_t h, uint32_t flags) override { return on(h).purge(h, flags); }
    bool clear_break(serlink_handle_t h) override { return on(h).clear_break(h); }
    bool clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) override {
        return on(h).clear_error(h, errors, status);
    }
    bool read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) override {
        return on(h).read_byte(h, dest, count);
    }
    bool write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) override {
        return on(h).write_byte(h, byte, count);
    }
    bool close(serlink_handle_t h) override { return on(h).close(h); }
    uint32_t last_error() override { return last_->last_error(); }
    uint32_t tick_ms() override { return device_.tick_ms(); }
    std::string last_error_text() override { return last_->last_error_text(); }
    std::string device_path(const char* device) override {
        portnames::RemoteUrl url;
        std::string entry;
        if (device != nullptr && portnames::RemoteFor(device, &url, &entry)) {
            return entry.empty() ? url.text : entry + " (" + url.text + ")";
        }
        return device_.device_path(device);
    }
    void set_note_sink(NoteSink sink) override {
        net_.set_note_sink(sink);
        device_.set_note_sink(std::move(sink));
    }
    void wait_input(serlink_handle_t h, uint32_t max_ms) override { on(h).wait_input(h, max_ms); }
    void wait_output(serlink_handle_t h, uint32_t max_ms) override { on(h).wait_output(h, max_ms); }

private:
    PortBackend& on(serlink_handle_t h) {
        last_ = net_.owns(h) ? static_cast<PortBackend*>(&net_) : &device_;
        return *last_;
    }

    PortBackend& device_;
    NetworkBackend net_;
    PortBackend* last_ = &device_;
};

}  // namespace

PortBackend& platform_backend() {
    static LineBackend backend(device_backend());
    return backend;
}

}  // namespace serlink
