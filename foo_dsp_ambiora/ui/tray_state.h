// The tray's shared record, used by the tray thread, its window procedure and the icon routines.
// Internal to the user interface (and read by the Windows tests).
#pragma once

#include <atomic>
#include <mutex>

#include "platform.h"

#include <shellapi.h>

#include "modes.h"

namespace ambiora {

inline constexpr const wchar_t* tray_window_class = L"AmbioraSysTrayfoobar";
inline constexpr const wchar_t* tray_tip_text = L"Morvane Ambiora Processor for foobar2000";
// The first version of the notification record (64-character tip), which every shell accepts:
// 152 bytes in the 32-bit player, 168 in a 64-bit process where its handles are wider.
inline constexpr DWORD tray_record_size = NOTIFYICONDATAW_V1_SIZE;
#if !defined(_WIN64)
static_assert(tray_record_size == 152);
#endif

struct tray_state {
    HINSTANCE instance = nullptr;  // where the window class, the menu and the icons come from
    std::atomic<HWND> window{nullptr};
    HMENU menu = nullptr;  // menu 104 while the window exists
    NOTIFYICONDATAW record{};
    HICON icons[mode_count] = {};
    bool shown = false;
    // An add or remove request that came before the window existed; the last one wins and the
    // window's creation carries it out (see tray_window.cpp).
    bool show_requested = false;
    std::atomic<LONG> quit{0};
    std::atomic<LONG> done{0};
    // Serialises add_tray_icon, remove_tray_icon and update_tray_mode (and the window's
    // creation and destruction, which touch the same fields): they are called from the dialog's
    // thread, the play callback's thread, the tray thread and the unloading thread, and an icon
    // must never be freed while another thread hands it to the shell.
    std::mutex lock;
};

tray_state& tray();

// The tray window's procedure (tray_window.cpp).
LRESULT CALLBACK tray_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Variants of the public routines for callers that already hold tray().lock.
void add_tray_icon_locked(tray_state& state);
void remove_tray_icon_locked(tray_state& state);
void update_tray_mode_locked(tray_state& state, std::int32_t mode);

}  // namespace ambiora
