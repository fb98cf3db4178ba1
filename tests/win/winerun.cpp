#include "winerun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

namespace winerun {

namespace {

int failed = 0;

// The child's side of run() and start(): no Mono/Gecko prompts, no debug
// channels, no display unless one is given; nothing the wine processes
// leave behind holds CTest's pipes.
[[noreturn]] void execWine(const Wine &w, const std::vector<std::string> &args, const std::string &outPath)
{
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open((workDir(w) + "/wine-stderr.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || err < 0)
        _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setenv("WINEPREFIX", w.prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // The test's own offscreen platform is not the Windows programs'.
    unsetenv("QT_QPA_PLATFORM");
    for (const auto &[name, value] : w.env)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(w.wine.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(w.wine.c_str(), argv.data());
    _exit(127);
}

// Runs the prefix's wineserver with `option`, its output thrown away (on
// exit it dumps every object it still holds: megabytes).
void wineserver(const Wine &w, const char *option)
{
    const std::string server = w.wine + "server";
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("WINEPREFIX", w.prefix.c_str(), 1);
        execlp(access(server.c_str(), X_OK) == 0 ? server.c_str() : "wineserver", "wineserver", option,
               static_cast<char *>(nullptr));
        _exit(127);
    }
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

} // namespace

void expect(bool ok, const std::string &what)
{
    std::cout << (ok ? "ok   " : "FAIL ") << what << std::endl;
    if (!ok)
        ++failed;
}

int failures()
{
    return failed;
}

long msSince(Clock::time_point t0)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string windowsPath(const std::string &unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string workDir(const Wine &w)
{
    const std::size_t slash = w.prefix.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string(".") : w.prefix.substr(0, slash);
}

int start(const Wine &w, const std::vector<std::string> &args, const std::string &outPath)
{
    const pid_t pid = fork();
    if (pid == 0)
        execWine(w, args, outPath);
    if (pid > 0)
        setpgid(pid, pid);
    return pid;
}

void stop(int pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

int run(const Wine &w, const std::vector<std::string> &args, const std::string &outPath, int limitSeconds)
{
    const pid_t pid = start(w, args, outPath);
    if (pid < 0)
        return -2;
    const auto until = Clock::now() + std::chrono::seconds(limitSeconds);
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR)
            return -2;
        if (Clock::now() >= until) {
            stop(pid);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool begin(const Wine &w)
{
    mkdir(workDir(w).c_str(), 0755);
    mkdir(w.prefix.c_str(), 0755);
    // A fresh log for each run.
    const int log = open((workDir(w) + "/wine-stderr.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0)
        close(log);
    wineserver(w, "-k");  // one left by an interrupted run
    // One wineserver for the whole run, started here so that the wine
    // programs do not start their own with the log as its output.
    wineserver(w, "-p60");
    struct stat st;
    if (stat((w.prefix + "/system.reg").c_str(), &st) == 0)
        return true;
    const auto t0 = Clock::now();
    const int r = run(w, {"wineboot", "-i"}, workDir(w) + "/wineboot.out", 300);
    std::cout << "wine prefix " << w.prefix << " made in " << msSince(t0) << " ms (wineboot: " << r << ")"
              << std::endl;
    return r == 0 && stat((w.prefix + "/dosdevices").c_str(), &st) == 0;
}

void end(const Wine &w)
{
    wineserver(w, "-k");
}

bool linkComPort(const Wine &w, int number, const std::string &ptyPath)
{
    const std::string link = w.prefix + "/dosdevices/com" + std::to_string(number);
    unlink(link.c_str());
    return symlink(ptyPath.c_str(), link.c_str()) == 0;
}

} // namespace winerun
