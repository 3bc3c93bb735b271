// The tests run in a Wine virtual desktop named "shell", which has a taskbar with a notification
// area, so the tray icon can be seen on screen. Wine picks a program's desktop when the program
// starts: if this one is not yet on it, it writes the desktop's settings and runs itself again
// there, passing the result through.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"

namespace {

constexpr const wchar_t* desktop_name = L"shell";

std::wstring current_desktop() {
    wchar_t name[256] = {};
    DWORD needed = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name,
                              &needed);
    return name;
}

void configure_shell_desktop() {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer", L"Desktop", REG_SZ,
                    desktop_name, DWORD((wcslen(desktop_name) + 1) * sizeof(wchar_t)));
    const wchar_t* size = L"1024x768";
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", desktop_name, REG_SZ,
                    size, DWORD((wcslen(size) + 1) * sizeof(wchar_t)));
}

int run_on_shell_desktop() {
    configure_shell_desktop();
    wchar_t desktop[] = L"shell";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring command_line = GetCommandLineW();
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fprintf(stderr, "cannot start the tests on the \"shell\" desktop (error %lu)\n",
                GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(exit_code);
}

}  // namespace

int main(int argc, char** argv) {
    if (current_desktop() != desktop_name) return run_on_shell_desktop();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
