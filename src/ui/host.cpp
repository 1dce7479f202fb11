// The installed host and the quiet default used before a face installs its own.
#include "ui/host.h"

#include <atomic>

namespace tv {
namespace {

// Answers every question with its default and shows nothing.
class QuietHost final : public Host {
  public:
    Answer message_box(const std::string&, const std::string&, Icon, Buttons,
                       Answer default_button) override {
        return default_button;
    }
    void progress(int) override {}
    void trace_append(const std::string&) override {}
    void trace_replace(const std::string&) override {}
    void control_changed(const Control&) override {}
    bool choose_file(const std::string&, std::string&) override { return false; }
    void repaint_preview() override {}
};

QuietHost g_quiet;
std::atomic<Host*> g_host{&g_quiet};

}  // namespace

Host& host() { return *g_host.load(); }

void set_host(Host* h) { g_host.store(h ? h : &g_quiet); }

Answer message(const std::string& text, const std::string& caption, Icon icon, Buttons buttons,
               Answer default_button) {
    return host().message_box(caption, text, icon, buttons, default_button);
}

}  // namespace tv
