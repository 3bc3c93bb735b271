// A progress bar on stderr for long work, drawn only when stderr is a terminal and --quiet is off,
// so logs and pipes never see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ambiora_cli {

class progress_bar {
  public:
    // `total` 0: unknown, so the bar counts what is done. With `per_second` (the sample rate,
    // when the units are frames) it shows the speed as a multiple of real time, and the time
    // left.
    progress_bar(std::string label, std::uint64_t total, unsigned per_second = 0);
    ~progress_bar();
    progress_bar(const progress_bar&) = delete;
    progress_bar& operator=(const progress_bar&) = delete;

    // Redraws at most ten times a second.
    void update(std::uint64_t done);
    // Clears the line.
    void finish();

  private:
    void draw(std::uint64_t done);

    std::string label_;
    std::uint64_t total_;
    unsigned per_second_;
    bool enabled_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace ambiora_cli
