// Time, heap use and peak memory of building the printer sequence for the largest picture
// (640 x 640) into seq_tab.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/globals.h"
#include "image/uploads.h"
#include "ui/Controls.h"
#include "ui/trace.h"

namespace {

// Heap allocations made while counting is on (operator new only: the C library's own
// buffers, such as the one behind an open file, are not counted here).
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

}  // namespace

// The replacements below pair malloc with free; GCC cannot see that through inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void BM_prepare_gr_640x640(benchmark::State& state) {
    tv::set_gr_filename(TV_SOURCE_DIR "/tests/data/full_640x640_im.bmp");
    tv::set_sel(tv::gComb_Slot, 0);
    tv::set_checked(tv::gCheck_Print, true);
    tv::prepare_gr();  // warm the file cache
    if (std::strncmp(tv::seq_tab, "prncancel\t\nimgslotset\tno1\twx640\thx640\ttx", 40) != 0) {
        state.SkipWithError("no sequence built: is tests/data/full_640x640_im.bmp there?");
        return;
    }

    long allocations = 0;
    for (auto _ : state) {
        g_allocations = 0;
        g_counting = true;
        tv::prepare_gr();
        g_counting = false;
        allocations += g_allocations;
        benchmark::DoNotOptimize(tv::seq_tab[0]);
        // The trace pane only grows; keep it from growing across iterations.
        state.PauseTiming();
        tv::trace_replace("");
        state.ResumeTiming();
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["allocs_per_call"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.counters["peak_rss_KiB"] = static_cast<double>(ru.ru_maxrss);
    state.counters["seq_bytes"] = static_cast<double>(strnlen(tv::seq_tab, tv::SEQ_TAB_SIZE));
}
BENCHMARK(BM_prepare_gr_640x640)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
