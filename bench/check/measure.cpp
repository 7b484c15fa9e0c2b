#include "check/measure.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/perf_event.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace bench {

namespace fs = std::filesystem;

namespace {

std::string g_instructionsMissing;

double CpuSeconds(const rusage& u) {
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

// A counter on one thread, or -1 (with errno) where there is none: hardware counters are often
// missing in virtual machines, and perf_event_paranoid may forbid them.
int OpenCounter(pid_t tid, std::uint32_t type, std::uint64_t config, bool userOnly) {
    perf_event_attr attr{};
    attr.size = sizeof attr;
    attr.type = type;
    attr.config = config;
    attr.exclude_kernel = userOnly ? 1 : 0;
    attr.exclude_hv = 1;
    return static_cast<int>(syscall(SYS_perf_event_open, &attr, tid, -1, -1, PERF_FLAG_FD_CLOEXEC));
}

long long ReadCounter(int fd) {
    long long value = -1;
    if (fd < 0 || read(fd, &value, sizeof value) != static_cast<ssize_t>(sizeof value)) return -1;
    return value;
}

// utime plus stime of /proc/PID/task/TID/stat, in seconds; negative when the thread is gone.
double ProcThreadCpu(pid_t pid, pid_t tid, std::string* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return -1;
    const std::size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return -1;
    if (name) *name = text.substr(open + 1, close - open - 1);
    // After the name: state (field 3) ... utime (14), stime (15).
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size() && fields.size() < 13) {
        const std::size_t next = text.find(' ', at);
        fields.push_back(text.substr(at, next - at));
        if (next == std::string::npos) break;
        at = next + 1;
    }
    if (fields.size() < 13) return -1;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / tick;
}

// Follows the threads of the running child `pid`: a counter of CPU time and one of instructions
// on every thread as soon as it is seen (their counts stay readable after the thread ends), and
// the CPU time from /proc as a fallback (sampled, so the last moments of a thread are missed).
class ThreadWatch {
public:
    explicit ThreadWatch(pid_t pid) : pid_(pid) {}
    ~ThreadWatch() {
        for (auto& [tid, t] : threads_) {
            if (t.clockFd >= 0) close(t.clockFd);
            if (t.instructionsFd >= 0) close(t.instructionsFd);
        }
    }
    void Scan() {
        DIR* dir = opendir(("/proc/" + std::to_string(pid_) + "/task").c_str());
        if (!dir) return;
        while (const dirent* e = readdir(dir)) {
            if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
            const pid_t tid = static_cast<pid_t>(std::atol(e->d_name));
            auto [at, added] = threads_.try_emplace(tid);
            ThreadUse& t = at->second;
            if (added) {
                t.tid = tid;
                t.clockFd = OpenCounter(tid, PERF_TYPE_SOFTWARE, PERF_COUNT_SW_TASK_CLOCK, false);
                t.instructionsFd = OpenCounter(tid, PERF_TYPE_HARDWARE, PERF_COUNT_HW_INSTRUCTIONS, true);
                if (t.instructionsFd < 0 && g_instructionsMissing.empty())
                    g_instructionsMissing = std::string("perf_event_open: ") + std::strerror(errno);
            }
            std::string name;
            const double cpu = ProcThreadCpu(pid_, tid, &name);
            if (cpu >= 0) t.cpuSeconds = cpu;
            if (!name.empty()) t.name = name;
        }
        closedir(dir);
    }
    // The threads in the order they started (the main thread first), after the child ended.
    std::vector<ThreadUse> Finish() {
        std::vector<ThreadUse> out;
        for (auto& [tid, t] : threads_) {
            if (const long long ns = ReadCounter(t.clockFd); ns >= 0)
                t.cpuSeconds = static_cast<double>(ns) / 1e9, t.exact = true;
            t.instructions = ReadCounter(t.instructionsFd);
            out.push_back(t);
            out.back().clockFd = out.back().instructionsFd = -1;
        }
        std::stable_sort(out.begin(), out.end(), [&](const ThreadUse& a, const ThreadUse& b) {
            return (a.tid == pid_) > (b.tid == pid_);
        });
        return out;
    }

private:
    pid_t pid_;
    std::map<pid_t, ThreadUse> threads_;
};

}  // namespace

double SecondsSince(Clock::time_point start) { return Seconds(Clock::now() - start); }
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double OwnCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

const std::string& InstructionsMissing() { return g_instructionsMissing; }

double Timeline::At(const std::string& name) const {
    for (const auto& [n, t] : marks)
        if (n == name) return t;
    return -1;
}

Timeline ReadTimeline(const fs::path& file) {
    Timeline t;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string what, name;
        double seconds = 0;
        if (!(fields >> what >> name >> seconds)) continue;
        if (what == "mark") t.marks.emplace_back(name, seconds);
        else if (what == "wait") t.waits[name] += seconds;
        else if (what == "count" && name == "records") t.records = static_cast<long long>(seconds);
    }
    return t;
}

ChildRun RunChild(std::vector<std::string> args, const fs::path& errFile, bool searchPath, const Env& env) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int go[2];
    if (pipe(go) != 0) throw std::runtime_error(std::string("pipe failed: ") + std::strerror(errno));
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        close(go[1]);
        char byte;
        while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
        }
        close(go[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) dup2(err, STDERR_FILENO);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        if (searchPath) execvp(argv[0], argv.data());
        else execv(argv[0], argv.data());
        std::fprintf(stderr, "bench_check: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(go[0]);
    ThreadWatch watch(pid);
    watch.Scan();
    const auto started = Clock::now();
    if (write(go[1], "g", 1) != 1) {
    }
    close(go[1]);

    int status = 0;
    rusage usage{};
    // New threads are looked for often at first (the writer thread starts with the run), then
    // every 20 ms, which keeps this process off the cores the child needs. The end of the
    // child is seen at once, through a descriptor of the process that becomes readable when it
    // exits: sleeping between looks would add up to 20 ms to the run's wall time.
    const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    for (int polls = 0;; ++polls) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error(std::string("wait4 failed: ") + std::strerror(errno));
        watch.Scan();
        const int wait = polls < 100 ? 2 : 20;
        if (exited >= 0) {
            pollfd p{exited, POLLIN, 0};
            poll(&p, 1, wait);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        }
    }
    const auto ended = Clock::now();
    if (exited >= 0) close(exited);
    ChildRun run;
    run.seconds = Seconds(ended - start);
    run.started = Seconds(started.time_since_epoch());
    run.ended = Seconds(ended.time_since_epoch());
    run.peakRssKb = usage.ru_maxrss;   // kilobytes on Linux
    run.cpuSeconds = CpuSeconds(usage);
    run.threads = watch.Finish();
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

ChildRun RunCheck(const fs::path& exe, const std::vector<std::string>& extraArgs, const fs::path& dataDir,
                  const fs::path& file, const fs::path& errFile, const fs::path& timelineFile) {
    std::vector<std::string> args = {exe.string(), "--quiet", "--data-dir", dataDir.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(file.string());
    std::error_code ec;
    fs::remove(timelineFile, ec);
    ChildRun run = RunChild(std::move(args), errFile, false, {{"QUORVEX_TIMELINE", timelineFile.string()}});
    run.timeline = ReadTimeline(timelineFile);
    return run;
}

void ShowChildErrors(const fs::path& errFile) {
    std::FILE* f = std::fopen(errFile.c_str(), "r");
    if (!f) return;
    char line[1024];
    for (int n = 0; n < 20 && std::fgets(line, sizeof line, f); ++n) std::fprintf(stderr, "  | %s", line);
    std::fclose(f);
}

std::vector<long long> CallgrindThreads(const fs::path& exe, const std::vector<std::string>& extraArgs,
                                        const fs::path& file, const fs::path& folder) {
    fs::create_directories(folder / "data");
    const fs::path out = folder / "callgrind.out";
    std::vector<std::string> args = {"valgrind", "--tool=callgrind", "--separate-threads=yes",
                                     "--callgrind-out-file=" + out.string(), exe.string(), "--quiet", "--data-dir",
                                     (folder / "data").string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(file.string());
    const ChildRun run = RunChild(args, folder / "valgrind.err", true, {{"QUORVEX_HISTORY_RUNS", "0"}});
    std::vector<long long> threads;
    if (run.exitCode < 0 || run.exitCode > 3) {
        ShowChildErrors(folder / "valgrind.err");
        return threads;
    }
    for (int n = 1;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%02d", n);
        std::ifstream in(out.string() + suffix);
        if (!in) break;
        long long total = -1;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("totals:", 0) == 0 || (total < 0 && line.rfind("summary:", 0) == 0))
                total = std::atoll(line.c_str() + line.find(':') + 1);
        threads.push_back(total);
    }
    return threads;
}

}  // namespace bench
