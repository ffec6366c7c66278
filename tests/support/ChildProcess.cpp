#include "ChildProcess.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace testsupport {

using Clock = std::chrono::steady_clock;

namespace {

// `base` ("NAME=value" entries) with `changes` replacing the entries of the same names.
std::vector<std::string> changedEnvironment(const std::vector<std::string>& base,
                                            const std::vector<std::string>& changes) {
    std::vector<std::string> out;
    for (const std::string& entry : base) {
        bool replaced = false;
        for (const auto& c : changes) {
            const std::size_t name = c.find('=') + 1;
            replaced = replaced || entry.compare(0, name, c, 0, name) == 0;
        }
        if (!replaced) {
            out.push_back(entry);
        }
    }
    out.insert(out.end(), changes.begin(), changes.end());
    return out;
}

}  // namespace

#ifdef _WIN32

namespace {

std::wstring widen(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], n);
    }
    out.resize(out.size() - 1);
    return out;
}

// One argument quoted so that the child's command-line splitting gives it back unchanged.
std::wstring quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

}  // namespace

struct ChildProcess::Native {
    PROCESS_INFORMATION process{};
    HANDLE output = nullptr;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
    // The environment block: "NAME=value" strings, each ended by a zero, and one more zero.
    std::vector<std::string> current;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e; e += wcslen(e) + 1) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, e, -1, nullptr, 0, nullptr, nullptr);
            std::string entry(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
            WideCharToMultiByte(CP_UTF8, 0, e, -1, &entry[0], n, nullptr, nullptr);
            entry.resize(entry.size() - 1);
            current.push_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    std::wstring envBlock;
    for (const auto& e : changedEnvironment(current, environment)) {
        envBlock += widen(e) + L'\0';
    }
    envBlock += L'\0';
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "pipe";
        return;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = quoted(widen(program));
    for (const auto& a : args) {
        commandLine += L" " + quoted(widen(a));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    auto* native = new Native;
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                        &envBlock[0], nullptr, &startup, &native->process)) {
        ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
        delete native;
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return;
    }
    CloseHandle(writeEnd);
    native->output = readEnd;
    m_native = native;
}

ChildProcess::~ChildProcess() {
    if (!m_native) {
        return;
    }
    if (WaitForSingleObject(m_native->process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(m_native->process.hProcess, 1);
        WaitForSingleObject(m_native->process.hProcess, INFINITE);
    }
    CloseHandle(m_native->process.hProcess);
    CloseHandle(m_native->process.hThread);
    CloseHandle(m_native->output);
    delete m_native;
}

int ChildProcess::wait(Ms timeout) {
    if (!m_native) {
        return -1;
    }
    const auto deadline = Clock::now() + timeout;
    // Until the pipe ends (every writer has gone) or the time is up; a pipe has no timed read, so
    // it is looked at every few milliseconds.
    for (bool open = true; open && Clock::now() < deadline;) {
        DWORD available = 0;
        if (!PeekNamedPipe(m_native->output, nullptr, 0, nullptr, &available, nullptr)) {
            open = false;
        } else if (available == 0) {
            Sleep(5);
        } else {
            char buf[4096];
            DWORD n = 0;
            if (!ReadFile(m_native->output, buf, available < sizeof buf ? available : sizeof buf, &n,
                          nullptr) ||
                n == 0) {
                open = false;
            } else {
                m_output.append(buf, n);
            }
        }
    }
    const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
    if (WaitForSingleObject(m_native->process.hProcess, left > 0 ? static_cast<DWORD>(left) : 0) !=
        WAIT_OBJECT_0) {
        return -1;  // the destructor kills it
    }
    DWORD status = 0;
    GetExitCodeProcess(m_native->process.hProcess, &status);
    return static_cast<int>(status);
}

long ChildProcess::id() const {
    return m_native ? static_cast<long>(m_native->process.dwProcessId) : 0;
}

int ChildProcess::stop(Ms timeout) {
    if (m_native) {
        TerminateProcess(m_native->process.hProcess, 1);
    }
    return wait(timeout);
}

#else

struct ChildProcess::Native {
    pid_t pid = -1;
    int output = -1;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
    std::vector<std::string> current;
    for (char** e = environ; *e; ++e) {
        current.push_back(*e);
    }
    std::vector<std::string> env = changedEnvironment(current, environment);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(&e[0]);
    }
    envp.push_back(nullptr);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(&a[0]);
    }
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    auto* native = new Native;
    if (posix_spawn(&native->pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        ADD_FAILURE() << "cannot start " << program;
        delete native;
        native = nullptr;
        ::close(fds[0]);
    } else {
        native->output = fds[0];
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_native = native;
}

ChildProcess::~ChildProcess() {
    if (!m_native) {
        return;
    }
    if (m_native->pid > 0) {
        ::kill(m_native->pid, SIGKILL);
        ::waitpid(m_native->pid, nullptr, 0);
    }
    if (m_native->output >= 0) {
        ::close(m_native->output);
    }
    delete m_native;
}

int ChildProcess::wait(Ms timeout) {
    if (!m_native || m_native->pid <= 0) {
        return -1;
    }
    const auto deadline = Clock::now() + timeout;
    while (m_native->output >= 0) {
        auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd p{m_native->output, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char buf[4096];
        ssize_t n = ::read(m_native->output, buf, sizeof buf);
        if (n <= 0) {
            ::close(m_native->output);
            m_native->output = -1;
        } else {
            m_output.append(buf, static_cast<std::size_t>(n));
        }
    }
    int status = 0;
    if (m_native->output >= 0) {  // timed out
        ::kill(m_native->pid, SIGKILL);
    }
    ::waitpid(m_native->pid, &status, 0);
    m_native->pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long ChildProcess::id() const {
    return m_native && m_native->pid > 0 ? static_cast<long>(m_native->pid) : 0;
}

int ChildProcess::stop(Ms timeout) {
    if (m_native && m_native->pid > 0) {
        ::kill(m_native->pid, SIGTERM);
    }
    return wait(timeout);
}

#endif

std::vector<std::string> ChildProcess::lines() const {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t nl; (nl = m_output.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = m_output.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // a text-mode stream on Windows
        }
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> ChildProcess::linesStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : lines()) {
        if (l.compare(0, prefix.size(), prefix) == 0) {
            out.push_back(l);
        }
    }
    return out;
}

}  // namespace testsupport
