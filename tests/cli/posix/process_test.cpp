// The delivered tkb program as scripts and people run it: exit statuses and output through pipes,
// progress on a pseudo-terminal, and two tkb processes on one board at once. The program runs over
// the simulated-boards library beside it, with boards in a folder of the test's own.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "tkb_test_support.h"

namespace tkbctl::cli::test {
namespace {

using namespace tkbsim::test;

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

// One tkb process with its output in files, started at construction.
class TkbProcess {
public:
    TkbProcess(const VirtualBoards& boards, std::vector<std::string> args, const std::string& name) {
        outPath_ = boards.path() / (name + ".out");
        errPath_ = boards.path() / (name + ".err");
        args.insert(args.begin(), TKB_PROGRAM);
        const std::string folder = boards.path().string();
        pid_ = fork();
        if (pid_ == 0) {
            setenv("TKBSIM_DIR", folder.c_str(), 1);
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            execv(TKB_PROGRAM, Argv(args).data());
            _exit(127);
        }
    }

    pid_t pid() const { return pid_; }

    bool Running() {
        if (done_)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            done_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return !done_;
    }

    Finished Wait() {
        if (!done_) {
            int status = 0;
            waitpid(pid_, &status, 0);
            done_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return {status_, ReadText(outPath_), ReadText(errPath_)};
    }

private:
    pid_t pid_ = -1;
    bool done_ = false;
    int status_ = -1;
    std::filesystem::path outPath_, errPath_;
};

// tkb on a pseudo-terminal as its standard input, output and error; `answer` is typed once the
// question appears. Returns what the terminal showed.
Finished TkbOnTerminal(const VirtualBoards& boards, std::vector<std::string> args,
                       const std::string& answer) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    const std::string slaveName = ptsname(master);
    args.insert(args.begin(), TKB_PROGRAM);
    const std::string folder = boards.path().string();
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int slave = open(slaveName.c_str(), O_RDWR);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        close(master);
        setenv("TKBSIM_DIR", folder.c_str(), 1);
        execv(TKB_PROGRAM, Argv(args).data());
        _exit(127);
    }
    Finished finished;
    bool answered = answer.empty();
    char buffer[4096];
    while (true) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 60000) <= 0)
            break;
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0)
            break;  // EIO once the last holder of the terminal is gone
        finished.out.append(buffer, static_cast<size_t>(got));
        if (!answered && finished.out.find("[y/N] ") != std::string::npos) {
            EXPECT_EQ(write(master, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
            answered = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

std::filesystem::path WriteImage(const VirtualBoards& boards, const std::string& name, const Bytes& bytes) {
    const std::filesystem::path path = boards.path() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

TEST(TkbProgram, ExitStatusesAndOutputThroughPipes) {
    VirtualBoards boards({"TKB-20U"});
    const Finished version = TkbProcess(boards, {"--version"}, "version").Wait();
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tkb ", 0), 0u);

    const Finished malformed = TkbProcess(boards, {"i2c", "read", "3C"}, "malformed").Wait();
    EXPECT_EQ(malformed.status, 2);
    EXPECT_EQ(malformed.err, "tkb i2c read: missing sub-address\n");

    const Finished list = TkbProcess(boards, {"list", "--json"}, "list").Wait();
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(ParseJson(list.out).Array().at(0)["model"].Text(), "TKB-20U");

    const Finished refused =
        TkbProcess(boards, {"update", "fpga", WriteImage(boards, "f.bin", Bytes(64, 1)).string()}, "refused")
            .Wait();
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("not a terminal"), std::string::npos);
}

TEST(TkbProgram, ProgressIsABarOnATerminalAfterTheQuestion) {
    VirtualBoards boards({"TKB-20"});
    const Bytes image = Pattern(0x20000, 21);
    const std::filesystem::path file = WriteImage(boards, "fpga.bin", image);
    const Finished shown = TkbOnTerminal(boards, {"update", "fpga", file.string()}, "y\n");
    ASSERT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("(TKB-20)? [y/N] "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\rwriting   [................]      0/131072 bytes     -- MiB/s  --:-- left"),
              std::string::npos)
        << shown.out;
    EXPECT_NE(shown.out.find("\rwriting   [################] 131072/131072 bytes  "), std::string::npos);
    EXPECT_NE(shown.out.find("\rverifying [################] 131072/131072 bytes  "), std::string::npos);
    EXPECT_NE(shown.out.find(" 0:00 left\r\n"), std::string::npos) << "the terminal ends each bar's line";
    EXPECT_EQ(boards.Board()->ReadFlash(0, 0x20000), image);

    const Finished declined = TkbOnTerminal(boards, {"update", "fpga", file.string()}, "no\n");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.out.find("nothing was written"), std::string::npos);
}

TEST(TkbProgram, StatusWatchEndsAtOnceOnAnInterruptAndLeavesTheBoardClosed) {
    VirtualBoards boards({"TKB-20"});
    TkbProcess watch(boards, {"status", "--watch"}, "watch");
    const std::filesystem::path out = boards.path() / "watch.out";
    // The first report is out: the program is in its one-second pause.
    for (int i = 0; i < 6000 && ReadText(out).find("TCB_HSPR") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(ReadText(out).find("TCB_HSPR"), std::string::npos);
    kill(watch.pid(), SIGINT);
    const Finished ended = watch.Wait();
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(ended.err, "");
    // The next command finds the board free.
    EXPECT_EQ(TkbProcess(boards, {"fpga", "read", "18000000"}, "after").Wait().status, 0);
}

TEST(TkbProgram, TwoProcessesOnOneBoardNeverInterleave) {
    VirtualBoards boards({"TKB-20U"});
    // A whole-flash image long enough for other runs to meet it at every step of the update.
    const Bytes image = Pattern(0x400000, 31);
    const std::filesystem::path file = WriteImage(boards, "multi.bin", image);
    const Bytes settings = boards.Board()->ReadFlash(0x1F0000, 512);
    boards.ForgetFrames();

    TkbProcess update(boards, {"update", "multi", file.string(), "--yes"}, "update");
    std::vector<Finished> others;
    while (update.Running() && others.size() < 200)
        others.push_back(
            TkbProcess(boards, {"fpga", "read", "10000040"}, "read" + std::to_string(others.size())).Wait());
    const Finished updated = update.Wait();
    EXPECT_EQ(updated.status, 0) << updated.err;
    EXPECT_EQ(boards.Board()->ReadFlash(0, 0x1F0000), Bytes(image.begin(), image.begin() + 0x1F0000));
    EXPECT_EQ(boards.Board()->ReadFlash(0x1F0000, 512), settings);

    // The other command waited for the update and then had its turn.
    for (const Finished& other : others) {
        EXPECT_EQ(other.status, 0) << other.err;
        EXPECT_EQ(other.out, "0x10000040 0x00000780\n");
    }
    // The image's data phase follows its header from the same process, with nothing between.
    const std::vector<tkbsim::LoggedFrame> frames = boards.TakeFrames();
    size_t imageFrames = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        if (!frames[i].imageData)
            continue;
        ++imageFrames;
        EXPECT_EQ(frames[i].pid, frames[i - 1].pid);
        EXPECT_EQ(frames[i - 1].head.at(0), 0x05);
    }
    EXPECT_GE(imageFrames, 1u);
    // Each command's frames form one run: none came in the middle of another's.
    std::vector<uint32_t> runs;
    for (const tkbsim::LoggedFrame& frame : frames) {
        if (runs.empty() || runs.back() != frame.pid) {
            EXPECT_EQ(std::count(runs.begin(), runs.end(), frame.pid), 0)
                << "process " << frame.pid << " came back";
            runs.push_back(frame.pid);
        }
    }
    EXPECT_GE(others.size(), 1u);
}

}  // namespace
}  // namespace tkbctl::cli::test
