// Catching the debug channel for a test.
#include "support/debug_capture.h"

#include <mutex>
#include <string_view>
#include <utility>

#include "common/debug.h"

namespace tv::test {
namespace {

std::mutex caught_lock;
std::string caught;

void keep(std::string_view text) {
    std::lock_guard<std::mutex> hold(caught_lock);
    caught += text;
}

}  // namespace

DebugCapture::DebugCapture() {
    take();
    set_debug_sink(keep);
    set_debug(true);
}

DebugCapture::~DebugCapture() {
    set_debug(false);
    set_debug_sink(nullptr);
}

std::string DebugCapture::take() {
    std::lock_guard<std::mutex> hold(caught_lock);
    return std::exchange(caught, std::string());
}

}  // namespace tv::test
