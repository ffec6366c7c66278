#pragma once

// ChildProcess: a program started by a test, with its standard output and error in one pipe that
// the test reads back. POSIX: posix_spawn; Windows: CreateProcess with inherited pipe handles.
//
//   testsupport::ChildProcess p(PROGRAM, {"--help"});
//   EXPECT_EQ(p.wait(), 0);
//   EXPECT_NE(p.output().find("--port"), std::string::npos);

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    using Ms = std::chrono::milliseconds;

    // Starts `program` with `args` (not counting the program itself) in this process's environment
    // changed by `environment` ("NAME=value" entries); a failure to start is a test failure and
    // wait() then returns -1.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();  // a child still running is killed
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads the output until the child ends and returns its exit status; -1 when it did not end in
    // time (it is killed then) or died from a signal.
    int wait(Ms timeout = Ms(20000));

    // The child's process id (0 once it has been waited for, or when it did not start).
    long id() const;
    // Asks the child to end as closing its window would (SIGTERM; on Windows it is terminated),
    // then waits for it as wait() does.
    int stop(Ms timeout = Ms(20000));

    // Standard output and error together, as read so far.
    const std::string& output() const { return m_output; }
    std::vector<std::string> lines() const;
    // The lines that begin with `prefix`.
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;

private:
    struct Native;
    Native* m_native = nullptr;
    std::string m_output;
};

}  // namespace testsupport
