// SPDX-License-Identifier: MIT
// Start-up time and peak memory of a program, measured from outside it the same way for
// every program: an X client starts it and times it until its window is mapped and then
// drawn (its last drawing before the screen stays quiet), then ends it and reads its peak
// resident memory. Programs take turns, run after run.
//
//   startup_bench RUNS PROGRAM...        (DISPLAY must name a server with DAMAGE, e.g. Xvfb)
#include "median.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto quiet = std::chrono::milliseconds(300);

struct Measurement {
    double mappedMs;
    double drawnMs;
    long peakKilobytes;
};

class Display {
public:
    Display()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection) != 0) {
            std::fprintf(stderr, "no X display\n");
            std::exit(2);
        }
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (damage == nullptr || damage->present == 0) {
            std::fprintf(stderr, "the X server has no DAMAGE extension\n");
            std::exit(2);
        }
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        // Drawing anywhere on the screen is reported against the root window.
        xcb_damage_create(m_connection, xcb_generate_id(m_connection), m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(m_connection);
    }
    ~Display() { xcb_disconnect(m_connection); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    Measurement measure(const char* program)
    {
        drain();
        const Clock::time_point start = Clock::now();
        pid_t child = 0;
        char* const arguments[] = { const_cast<char*>(program), nullptr };
        if (posix_spawn(&child, program, nullptr, nullptr, arguments, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", program);
            std::exit(2);
        }
        Clock::time_point mapped {};
        Clock::time_point drawn {};
        while (mapped == Clock::time_point {} || Clock::now() - drawn < quiet) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(waitForEvent(quiet), &std::free);
            if (!event)
                continue;
            const int type = event->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY && reinterpret_cast<xcb_map_notify_event_t*>(event.get())->override_redirect == 0
                && mapped == Clock::time_point {})
                drawn = mapped = Clock::now();
            else if (type == m_damageEvent && mapped != Clock::time_point {})
                drawn = Clock::now();
        }
        ::kill(child, SIGTERM);
        int status = 0;
        rusage usage {};
        ::wait4(child, &status, 0, &usage);
        const auto since
            = [&](Clock::time_point when) { return std::chrono::duration<double, std::milli>(when - start).count(); };
        return { since(mapped), since(drawn), usage.ru_maxrss };
    }

private:
    xcb_generic_event_t* waitForEvent(std::chrono::milliseconds timeout)
    {
        if (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            return event;
        pollfd descriptor { xcb_get_file_descriptor(m_connection), POLLIN, 0 };
        ::poll(&descriptor, 1, static_cast<int>(timeout.count()));
        return xcb_poll_for_event(m_connection);
    }
    void drain()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    int m_damageEvent = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::vector<const char*> programs(argv + 2, argv + argc);
    Display display;
    std::vector<std::vector<Measurement>> results(programs.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const std::size_t turn = (i + static_cast<std::size_t>(run)) % programs.size(); // alternate who goes first
            results[turn].push_back(display.measure(programs[turn]));
        }
    }
    struct Summary {
        double mapped, drawn, fastest, slowest, peak;
    };
    std::vector<Summary> summaries;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        std::vector<double> mapped, drawn, peak;
        for (const Measurement& m : results[i]) {
            mapped.push_back(m.mappedMs);
            drawn.push_back(m.drawnMs);
            peak.push_back(static_cast<double>(m.peakKilobytes));
        }
        const auto [fastest, slowest] = std::minmax_element(drawn.begin(), drawn.end());
        summaries.push_back({ varnholt::bench::median(mapped), varnholt::bench::median(drawn), *fastest, *slowest,
            varnholt::bench::median(peak) });
        const Summary& it = summaries.back();
        std::printf("%s: %d runs, medians: mapped %.1f ms, drawn %.1f ms (min %.1f, max %.1f), peak memory %.0f KiB\n",
            programs[i], runs, it.mapped, it.drawn, it.fastest, it.slowest, it.peak);
    }
    for (std::size_t i = 1; i < programs.size(); ++i)
        std::printf("ratio of the first to %s: drawn %.2f, peak memory %.2f\n", programs[i],
            summaries[0].drawn / summaries[i].drawn, summaries[0].peak / summaries[i].peak);
    return 0;
}
