#include "plot_script_runner.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace ambiora_cli {
namespace {

// plot_demo.py exits with this when matplotlib cannot be imported.
constexpr int exit_no_matplotlib = 3;

bool is_file(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Beside the executable first (the build copies it there), then in the source tree.
std::string find_script() {
    std::vector<char> self(4096);
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length > 0) {
        std::string path(self.data(), std::size_t(length));
        path = path.substr(0, path.find_last_of('/') + 1) + "plot_demo.py";
        if (is_file(path)) return path;
    }
    if (is_file(AMBIORA_PLOT_SCRIPT_SOURCE)) return AMBIORA_PLOT_SCRIPT_SOURCE;
    return "";
}

// AMBIORA_PYTHON when set; otherwise the system's Python, where Debian puts matplotlib, before
// whatever python3 comes first on PATH.
std::string find_python() {
    if (const char* chosen = std::getenv("AMBIORA_PYTHON"); chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    if (is_file("/usr/bin/python3")) return "/usr/bin/python3";
    return "python3";
}

}  // namespace

bool draw_demo_pictures(const std::string& directory, std::string& why_not) {
    const std::string script = find_script();
    if (script.empty()) {
        why_not = "plot_demo.py was not found beside the program";
        return false;
    }
    const std::string python = find_python();
    const pid_t child = ::fork();
    if (child < 0) {
        why_not = "could not start " + python;
        return false;
    }
    if (child == 0) {
        // stdout is for results only: the script's chatter goes to stderr.
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        ::execlp(python.c_str(), python.c_str(), script.c_str(), directory.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            why_not = "lost track of " + python;
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        why_not = python + " could not be run";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == exit_no_matplotlib) {
        why_not = python + " has no matplotlib (Debian: apt-get install python3-matplotlib)";
    } else {
        why_not = "plot_demo.py failed";
    }
    return false;
}

}  // namespace ambiora_cli
