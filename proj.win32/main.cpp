// The Windows entry: the GUI program's wide-character entry point converts its arguments to UTF-8
// and runs the same program as on Linux.

#include <cstdio>
#include <string>
#include <vector>

#include "app/Program.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace {

std::string toUtf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return std::string();
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// The program's arguments as the C runtime of a console program would split them, in UTF-8.
std::vector<std::string> commandLineArguments() {
    std::vector<std::string> args;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv) {
        for (int i = 0; i < argc; ++i) {
            args.push_back(toUtf8(argv[i]));
        }
        LocalFree(argv);
    }
    if (args.empty()) {
        args.push_back("cardhall");
    }
    return args;
}

bool usable(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// A GUI program has no console of its own. Handles it inherited (a pipe, a file) are used as they
// are; standard streams without one go to the console of the program that started it, if any, so
// that --help, --trace and the headless box lines are seen there.
void connectStandardStreams() {
    const bool out = usable(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool err = usable(GetStdHandle(STD_ERROR_HANDLE));
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    if (!out && std::freopen("CONOUT$", "w", stdout) != nullptr) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    }
    if (!err && std::freopen("CONOUT$", "w", stderr) != nullptr) {
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nCmdShow;
    connectStandardStreams();
    return runProgram(commandLineArguments());
}
