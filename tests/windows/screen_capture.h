// Reading back what is on the screen: a GDI copy of the desktop window, searched for the exact
// pixels of an icon, and written as a BMP file for the documentation's screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform.h"

namespace ui_test {

struct screen_image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// The whole desktop, or the part of it inside `area`.
screen_image capture_screen();
screen_image capture_screen(const RECT& area);

// The 16 x 16 picture of icon resource `id` in this program, as drawn on a screen.
screen_image icon_pixels(int id);

// Whether `pattern` appears anywhere in `image`, pixel for pixel.
bool contains(const screen_image& image, const screen_image& pattern);

bool write_bmp(const screen_image& image, const std::string& path);

}  // namespace ui_test
