// Time from fork to the first drawing the X server sees (XDamage on the root
// window), and peak RSS, for the program and for Qt baselines, in interleaved
// runs on one display; for the program also the time until its list is
// filled (read back from the screen). Every program is ended
// with SIGKILL then, so no program's own instrumentation is involved.
// Usage: startup_bench RUNS QT_BASELINE TALVANE...   (needs DISPLAY, an otherwise idle X server)
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Program {
  const char* name;
  std::vector<const char*> argv;
  bool has_list;
  std::vector<double> ms;
  std::vector<double> list_ms;
  std::vector<double> cpu_ms;
  std::vector<double> mib;
};

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Ms(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Display {
 public:
  Display() : connection_(xcb_connect(nullptr, nullptr)) {}
  ~Display() { xcb_disconnect(connection_); }

  // Watches the root window, inferiors included, for drawing and for windows
  // coming and going.
  bool Watch() {
    if (xcb_connection_has_error(connection_) != 0) return false;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (damage == nullptr || damage->present == 0) return false;
    damage_event_ = damage->first_event + XCB_DAMAGE_NOTIFY;
    std::free(xcb_damage_query_version_reply(connection_,
                                             xcb_damage_query_version(connection_, 1, 1), nullptr));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root, XCB_CW_EVENT_MASK, &mask);
    damage_ = xcb_generate_id(connection_);
    xcb_damage_create(connection_, damage_, root, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    return Settle();
  }

  // Reports the next drawing again.
  void Rearm() { xcb_damage_subtract(connection_, damage_, XCB_NONE, XCB_NONE); }

  // Forgets what was drawn and any event so far; false if the server is gone.
  bool Settle() {
    Rearm();
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (auto* event = xcb_poll_for_event(connection_)) std::free(event);
    top_levels_ = 0;
    return xcb_connection_has_error(connection_) == 0;
  }

  enum class Seen { kNothing, kDrawing, kGone };

  // Whether a list centred as the program's is filled: any dark pixel
  // across its last lines, where a list of one entry (access refused) has
  // none.
  bool ListFilled() {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const int left = (screen->width_in_pixels - 325) / 2 + 52;
    const int top = (screen->height_in_pixels - 495) / 2 + 340;
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
        xcb_get_image_reply(connection_,
                            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root,
                                          static_cast<std::int16_t>(left),
                                          static_cast<std::int16_t>(top), 200, 20, ~0u),
                            nullptr),
        &std::free);
    if (!image) return false;
    const std::uint8_t* pixels = xcb_get_image_data(image.get());
    for (int i = 0; i + 3 < xcb_get_image_data_length(image.get()); i += 4) {
      if (pixels[i] < 100 && pixels[i + 1] < 100 && pixels[i + 2] < 100) return true;
    }
    return false;
  }

  // Waits up to `timeout_ms` for the next drawing, or for the last top-level
  // window created since Settle() to be destroyed.
  Seen Wait(int timeout_ms) {
    for (;;) {
      while (auto* raw = xcb_poll_for_event(connection_)) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
        const int type = event->response_type & 0x7f;
        if (type == damage_event_) return Seen::kDrawing;
        if (type == XCB_CREATE_NOTIFY) ++top_levels_;
        if (type == XCB_DESTROY_NOTIFY && --top_levels_ == 0) return Seen::kGone;
      }
      pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
      if (poll(&fd, 1, timeout_ms) <= 0 || xcb_connection_has_error(connection_) != 0) {
        return Seen::kNothing;
      }
    }
  }

 private:
  xcb_connection_t* connection_;
  xcb_damage_damage_t damage_ = XCB_NONE;
  int damage_event_ = -1;
  int top_levels_ = 0;
};

// One start: fork, first drawing, SIGKILL, peak RSS; then waits until the
// program's windows are gone so their removal is not the next run's drawing.
bool RunOnce(Display& display, Program& program) {
  if (!display.Settle()) return false;
  const double start = NowMs();
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    execv(program.argv[0], const_cast<char* const*>(program.argv.data()));
    _exit(127);
  }
  Display::Seen seen;
  // A window the program makes and drops while starting is no drawing.
  while ((seen = display.Wait(20000)) == Display::Seen::kGone) {
  }
  bool drawn = seen == Display::Seen::kDrawing;
  const double first_drawing = NowMs() - start;
  // Each drawing from now on is looked at once the server has it all.
  while (drawn && program.has_list && (display.Rearm(), !display.ListFilled())) {
    drawn = display.Wait(20000) == Display::Seen::kDrawing;
  }
  const double list_shown = NowMs() - start;
  kill(child, SIGKILL);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!drawn) {
    std::fprintf(stderr, "%s: no drawing within 20 s\n", program.name);
    return false;
  }
  // The window's going may draw on what it uncovers.
  while ((seen = display.Wait(5000)) == Display::Seen::kDrawing) {
  }
  if (seen != Display::Seen::kGone) {
    std::fprintf(stderr, "%s: its windows stayed after it ended\n", program.name);
    return false;
  }
  program.ms.push_back(first_drawing);
  program.list_ms.push_back(list_shown);
  program.cpu_ms.push_back(Ms(usage.ru_utime) + Ms(usage.ru_stime));
  program.mib.push_back(static_cast<double>(usage.ru_maxrss) / 1024.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: %s RUNS QT_BASELINE TALVANE...\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const char* baseline = argv[2];
  std::vector<Program> programs = {
      {"empty Qt window", {baseline, "empty", nullptr}, false, {}, {}, {}, {}},
      {"Qt window, one label", {baseline, "label", nullptr}, false, {}, {}, {}, {}},
      {"plain-Qt equivalent", {baseline, "plain", nullptr}, false, {}, {}, {}, {}},
  };
  for (int i = 3; i < argc; ++i)
    programs.push_back({argv[i], {argv[i], nullptr}, true, {}, {}, {}, {}});
  Display display;
  if (!display.Watch()) {
    std::fprintf(stderr, "no X server with the DAMAGE extension at DISPLAY\n");
    return 1;
  }
  // Interleaved, with the order turning each round, so drift in the
  // machine's load falls on every program alike.
  for (int round = 0; round < runs; ++round) {
    for (std::size_t i = 0; i < programs.size(); ++i) {
      if (!RunOnce(display, programs[(i + round) % programs.size()])) return 1;
    }
  }
  const Program& label = programs[1];
  const double label_ms = Median(label.ms), label_mib = Median(label.mib);
  std::printf("%d interleaved runs each; medians\n", runs);
  std::printf("%-22s %12s %14s %12s %14s %16s %12s %13s\n", "program", "first paint",
              "CPU till end", "peak RSS", "paint / label", "RSS - label", "list filled",
              "list / label");
  for (const Program& p : programs) {
    const double ms = Median(p.ms), mib = Median(p.mib), list_ms = Median(p.list_ms);
    std::printf("%-22s %9.1f ms %11.1f ms %8.1f MiB %13.2fx %+12.1f MiB", p.name, ms,
                Median(p.cpu_ms), mib, ms / label_ms, mib - label_mib);
    if (p.has_list) std::printf(" %9.1f ms %12.2fx", list_ms, list_ms / label_ms);
    std::printf("\n");
  }
  return 0;
}
