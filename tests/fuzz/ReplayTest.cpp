// Every stored input of every fuzz target, run through the target's entry function with its checks:
// the seeds under fuzz/corpus/<target>/ and the inputs that once found a fault under
// fuzz/regressions/<target>/. Inputs of faults not fixed yet wait under fuzz/regressions/open/.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace fs = std::filesystem;

namespace {

struct Target {
    const char* name;
    void (*run)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
#include "ReplayTargets.inc"
};

// Test names and messages show the target by name.
void PrintTo(const Target& target, std::ostream* out) {
    *out << target.name;
}

struct CheckFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void throwOnFailure(const char* file, int line, const char* condition) {
    throw CheckFailed(std::string(file) + ":" + std::to_string(line) + ": " + condition);
}

std::vector<fs::path> filesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs one input; empty when every check held, else the check that failed.
std::string replay(const Target& target, const fs::path& file) {
    const std::string data = contents(file);
    try {
        target.run(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    } catch (const CheckFailed& failure) {
        return failure.what();
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    return {};
}

// The same in a child process, for inputs that may crash it: the test itself goes on either way.
std::string replayApart(const Target& target, const fs::path& file) {
#if defined(__unix__)
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return "could not make a pipe";
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
        }
        const std::string failure = replay(target, file);
        ssize_t written = write(pipeEnds[1], failure.data(), failure.size());
        _exit(written == ssize_t(failure.size()) ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string failure;
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        failure.append(buffer, std::size_t(n));
    }
    close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return "could not run the input in a child process";
    }
    if (WIFSIGNALED(status)) {
        return "crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return failure;
#else
    return replay(target, file);
#endif
}

class Replay : public ::testing::TestWithParam<Target> {
protected:
    void SetUp() override { fuzzcheck::setFailureHandler(throwOnFailure); }
    void TearDown() override { fuzzcheck::setFailureHandler(nullptr); }
    fs::path data(const std::string& folder) const {
        return fs::path(CARDHALL_FUZZ_DATA_DIR) / folder / GetParam().name;
    }
};

TEST_P(Replay, SeedsAndFoundFaultsPassEveryCheck) {
    const std::vector<fs::path> seeds = filesUnder(data("corpus"));
    EXPECT_FALSE(seeds.empty()) << "no seed inputs under " << data("corpus");
    std::vector<fs::path> inputs = seeds;
    for (const fs::path& file : filesUnder(data("regressions"))) {
        inputs.push_back(file);
    }
    for (const fs::path& file : inputs) {
        const std::string failure = replay(GetParam(), file);
        EXPECT_EQ(failure, "") << file;
    }
}

// Open faults belong to other parts of the program; they are listed here rather than failing the
// build. Each runs in a child process, since some of them crash. An input that passes now says that
// its fault is fixed and the file can move to fuzz/regressions/<target>/.
TEST_P(Replay, OpenFaultsAreListed) {
    const std::vector<fs::path> waiting = filesUnder(data("regressions/open"));
    if (waiting.empty()) {
        return;
    }
    std::string report;
    for (const fs::path& file : waiting) {
        const std::string failure = replayApart(GetParam(), file);
        report +=
            "\n  " + file.filename().string() + ": " + (failure.empty() ? "passes now, move it" : failure);
    }
    GTEST_SKIP() << "open faults under " << data("regressions/open") << report;
}

std::string targetName(const ::testing::TestParamInfo<Target>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, ::testing::ValuesIn(kTargets), targetName);

}  // namespace
