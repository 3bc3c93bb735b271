#include "ui/dialog_status_text.h"

#include "mode_status.h"
#include "modes.h"

namespace ambiora {

std::wstring dialog_status_text(std::int32_t mode, std::uint32_t channels, std::uint32_t rate) {
    const mode_row* row = find_mode(mode);
    if (row == nullptr) return L"";
    std::wstring text(row->name, row->name + std::char_traits<char>::length(row->name));
    text += L'\n';
    // The texts are plain ASCII, so each character widens as it is.
    const char* activity = mode_activity_text(activity_of_mode(mode, channels, rate));
    return text.append(activity, activity + std::char_traits<char>::length(activity));
}

}  // namespace ambiora
