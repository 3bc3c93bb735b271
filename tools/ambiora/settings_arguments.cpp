#include "settings_arguments.h"

#include <cerrno>

#include "component_session.h"
#include "file_access.h"
#include "messages.h"
#include "pending_output.h"
#include "settings_stream.h"

namespace ambiora_cli {

settings_arguments::settings_arguments() = default;
settings_arguments::~settings_arguments() = default;

void settings_arguments::add_options(std::vector<option_spec>& options) {
    for (option_spec& o : setting_options(assignments_)) options.push_back(std::move(o));
    options.push_back({"settings", "FILE",
                       "start from a stored settings stream (the component's own format) instead "
                       "of the defaults; the options above still apply on top",
                       [this](const std::string& v) { load_path_ = v; }});
    options.push_back({"save-settings", "FILE",
                       "write the settings, once the options are applied, as a stored settings "
                       "stream",
                       [this](const std::string& v) { save_path_ = v; }});
}

std::optional<std::vector<unsigned char>> settings_arguments::read_stored_settings() const {
    if (load_path_.empty()) return std::nullopt;
    // A stream holds a few dozen bytes per setting; a megabyte is no settings stream.
    std::vector<unsigned char> bytes = read_whole_file(load_path_, std::size_t(1) << 20);
    // An empty file would quietly mean the defaults; more likely the wrong file was named.
    if (bytes.empty()) throw run_error(load_path_ + " is empty: it holds no settings");
    check_settings_stream(bytes, load_path_);
    return bytes;
}

void settings_arguments::prepare_save() {
    if (!save_path_.empty()) save_file_ = std::make_unique<pending_output>(save_path_);
}

void settings_arguments::apply(component_session& session) {
    // The component takes stored values as they stand; people should hear about odd ones.
    if (!load_path_.empty()) {
        for (const ambiora::setting_row& s : ambiora::setting_table) {
            warn_if_outside_range(s, s.value(), load_path_ + ": " + s.name);
        }
    }
    apply_settings(assignments_);
    if (!save_file_) return;
    const std::vector<unsigned char> stream = session.saved_settings();
    std::FILE* file = save_file_->open_stream();
    const bool written = std::fwrite(stream.data(), 1, stream.size(), file) == stream.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        throw run_error("cannot write " + save_path_ + ": " + system_error_text(error));
    }
}

void settings_arguments::commit_save() {
    if (save_file_) save_file_->commit();
}

}  // namespace ambiora_cli
