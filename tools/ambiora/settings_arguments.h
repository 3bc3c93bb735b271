// The options that say which settings the component runs with, shared by `render` and `info`:
// one option per processing setting, --settings FILE (a stored settings stream to start from)
// and --save-settings FILE (the stream the component writes once the options are applied).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "option_parser.h"
#include "setting_options.h"

namespace ambiora_cli {

class component_session;
class pending_output;

class settings_arguments {
  public:
    settings_arguments();
    ~settings_arguments();
    settings_arguments(const settings_arguments&) = delete;
    settings_arguments& operator=(const settings_arguments&) = delete;

    // Appends the setting options and --settings / --save-settings to `options`.
    void add_options(std::vector<option_spec>& options);

    // The stored stream to start from, read and checked; none without --settings.
    std::optional<std::vector<unsigned char>> read_stored_settings() const;

    // Reserves the --save-settings file (so an unwritable path fails before any work).
    void prepare_save();

    // Writes the options' values into the running component and, with --save-settings, the
    // stream it then saves into the reserved file (made visible by commit_save()).
    void apply(component_session& session);
    void commit_save();

  private:
    std::vector<setting_assignment> assignments_;
    std::string load_path_;
    std::string save_path_;
    std::unique_ptr<pending_output> save_file_;
};

}  // namespace ambiora_cli
