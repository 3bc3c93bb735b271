// ambiora: the Ambiora Processor component outside the player. It renders sound files through the
// component, plays its built-in demo through every mode and reports what the component says about
// itself, always driving the component the way the player does.
#include <cstring>
#include <exception>
#include <iostream>
#include <span>
#include <string>

#include <sndfile.h>

#include "commands.h"
#include "component_version.h"
#include "messages.h"

namespace ambiora_cli {
namespace {

const char* const usage_text =
    "usage: ambiora COMMAND [options]\n\n"
    "commands:\n"
    "  render IN OUT [options]   run a sound file through the component\n"
    "  demo [DIR]                render the built-in programme through every mode, with pictures\n"
    "  info [options]            what the component reports about itself, and its settings\n\n"
    "ambiora COMMAND --help shows a command's options; ambiora --version the versions.\n\n"
    "exit status: 0 done (warnings may have been printed), 1 the work failed, 2 the command\n"
    "line was wrong.\n";

int run(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << usage_text;
        return exit_usage_error;
    }
    const std::string command = argv[1];
    const std::span<char* const> rest(argv + 2, std::size_t(argc - 2));
    // --quiet holds for the whole command line, including warnings about options before it.
    for (char* const argument : rest) {
        if (std::strcmp(argument, "--") == 0) break;
        if (std::strcmp(argument, "--quiet") == 0 || std::strcmp(argument, "-q") == 0)
            set_quiet(true);
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usage_text;
        return 0;
    }
    if (command == "--version" || command == "-V") {
        std::cout << "ambiora " << ambiora::component_version << " (" << ambiora::component_name
                  << " " << ambiora::component_version << ", " << sf_version_string() << ")\n";
        return 0;
    }
    if (command == "render") return render_command(rest);
    if (command == "demo") return demo_command(rest);
    if (command == "info") return info_command(rest);
    throw usage_error("unknown command '" + command + "' (commands: render, demo, info)");
}

}  // namespace
}  // namespace ambiora_cli

int main(int argc, char** argv) {
    using namespace ambiora_cli;
    try {
        return run(argc, argv);
    } catch (const usage_error& e) {
        print_error(e.what());
        return exit_usage_error;
    } catch (const run_error& e) {
        print_error(e.what());
        return exit_run_error;
    } catch (const std::exception& e) {
        print_error(std::string("failed: ") + e.what());
        return exit_run_error;
    }
}
