#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "messages.h"

namespace ambiora_cli {
namespace {

constexpr int bar_width = 30;

}  // namespace

progress_bar::progress_bar(std::string label, std::uint64_t total)
    : label_(std::move(label)), total_(total), enabled_(!is_quiet() && ::isatty(STDERR_FILENO)) {}

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
    if (total_ == 0) {
        // A stream's length is unknown until its end: count instead of measuring.
        std::fprintf(stderr, "\r%s: %llu frames", label_.c_str(), (unsigned long long)done);
        std::fflush(stderr);
        drawn_ = true;
        return;
    }
    const double share = total_ == 0 ? 1.0 : std::min(1.0, double(done) / double(total_));
    const int filled = int(share * bar_width);
    std::string bar(std::size_t(filled), '#');
    bar.resize(bar_width, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), int(share * 100.0));
    std::fflush(stderr);
    drawn_ = true;
}

void progress_bar::finish() {
    if (!drawn_) return;
    // Blank the line so that following messages start clean.
    std::fprintf(stderr, "\r%*s\r", int(label_.size() + bar_width + 10), "");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace ambiora_cli
