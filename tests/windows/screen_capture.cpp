#include "screen_capture.h"

#include <cstdio>

namespace ui_test {
namespace {

screen_image read_dc(HDC source, int x, int y, int width, int height) {
    screen_image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC memory = CreateCompatibleDC(source);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return image;
}

}  // namespace

screen_image capture_screen() {
    RECT all;
    GetWindowRect(GetDesktopWindow(), &all);
    return capture_screen(all);
}

screen_image capture_screen(const RECT& area) {
    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetDC(desktop);
    screen_image image =
        read_dc(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(desktop, screen);
    return image;
}

screen_image icon_pixels(int id) {
    const HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
    const HGDIOBJ old = SelectObject(memory, canvas);
    DrawIconEx(memory, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    screen_image image = read_dc(memory, 0, 0, 16, 16);
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return image;
}

bool contains(const screen_image& image, const screen_image& pattern) {
    for (int y = 0; y + pattern.height <= image.height; ++y) {
        for (int x = 0; x + pattern.width <= image.width; ++x) {
            bool match = true;
            for (int py = 0; py < pattern.height && match; ++py) {
                for (int px = 0; px < pattern.width; ++px) {
                    if (image.at(x + px, y + py) != pattern.at(px, py)) {
                        match = false;
                        break;
                    }
                }
            }
            if (match) return true;
        }
    }
    return false;
}

bool write_bmp(const screen_image& image, const std::string& path) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const std::uint32_t row = std::uint32_t(image.width) * 4;
    const std::uint32_t size = row * std::uint32_t(image.height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + size;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = -image.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biSizeImage = size;
    fwrite(&header, sizeof header, 1, file);
    fwrite(&info, sizeof info, 1, file);
    fwrite(image.pixels.data(), 4, image.pixels.size(), file);
    return fclose(file) == 0;
}

}  // namespace ui_test
