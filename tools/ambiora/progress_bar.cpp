#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "messages.h"

namespace ambiora_cli {
namespace {

constexpr int bar_width = 30;

}  // namespace

progress_bar::progress_bar(std::string label, std::uint64_t total, unsigned per_second)
    : label_(std::move(label)),
      total_(total),
      per_second_(per_second),
      enabled_(!is_quiet() && ::isatty(STDERR_FILENO)) {}

progress_bar::~progress_bar() {
    finish();
}

void progress_bar::update(std::uint64_t done) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = now;
    draw(done);
}

void progress_bar::draw(std::uint64_t done) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    char pace[64] = "";
    if (per_second_ != 0 && elapsed > 0.0 && done != 0) {
        const double speed = double(done) / double(per_second_) / elapsed;
        if (total_ > done) {
            std::snprintf(pace, sizeof pace, "  %.1fx real time, %.0f s left", speed,
                          elapsed * double(total_ - done) / double(done));
        } else {
            std::snprintf(pace, sizeof pace, "  %.1fx real time", speed);
        }
    }
    if (total_ == 0) {
        // A stream's length is unknown until its end: count instead of measuring.
        std::fprintf(stderr, "\r%s: %llu frames%s\x1b[K", label_.c_str(), (unsigned long long)done,
                     pace);
        std::fflush(stderr);
        drawn_ = true;
        return;
    }
    const double share = total_ == 0 ? 1.0 : std::min(1.0, double(done) / double(total_));
    const int filled = int(share * bar_width);
    std::string bar(std::size_t(filled), '#');
    bar.resize(bar_width, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%%s\x1b[K", label_.c_str(), bar.c_str(), int(share * 100.0),
                 pace);
    std::fflush(stderr);
    drawn_ = true;
}

void progress_bar::finish() {
    if (!drawn_) return;
    // Blank the line so that following messages start clean.
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace ambiora_cli
