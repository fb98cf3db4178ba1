// Running Windows programs under Wine from a native test: a private prefix,
// a simulated gripper's pseudo-terminal given to it as a COM port, one
// wineserver per test, and checks reported as "ok"/"FAIL" lines.
#ifndef KORVANE_TESTS_WINERUN_H
#define KORVANE_TESTS_WINERUN_H

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace winerun {

using Clock = std::chrono::steady_clock;

struct Wine
{
    std::string wine;    // the wine program
    std::string prefix;  // WINEPREFIX; logs and outputs go beside it
    // Added to the environment of every wine program; "DISPLAY" and
    // "QT_QPA_PLATFORM" are taken from here only (no display by default: the
    // console programs need none).
    std::map<std::string, std::string> env;
};

// Records a check; failures() counts the failed ones.
void expect(bool ok, const std::string &what);
int failures();

long msSince(Clock::time_point t0);
std::string readFile(const std::string &path);
std::string windowsPath(const std::string &unixPath);
std::string workDir(const Wine &w);

// Runs wine with `args`: standard output to `outPath`, standard error (Wine's
// own, and the program's log) appended to wine-stderr.log beside the prefix.
// Returns the exit status, -1 when the run outlived `limitSeconds` (it is
// then killed).
int run(const Wine &w, const std::vector<std::string> &args, const std::string &outPath, int limitSeconds);

// Starts wine with `args` in the background, its output as run()'s; the
// process id, or -1.
int start(const Wine &w, const std::vector<std::string> &args, const std::string &outPath);
// Ends a program start() began, and everything it started.
void stop(int pid);

// Makes the prefix on its first use and starts the one wineserver the test
// uses (it goes a minute after the last wine program, should the test die
// first); false when the prefix cannot be made.
bool begin(const Wine &w);
// Stops the wineserver and the programs left in the prefix.
void end(const Wine &w);

// The pseudo-terminal at `ptyPath` as COM<number> of the prefix.
bool linkComPort(const Wine &w, int number, const std::string &ptyPath);

} // namespace winerun

#endif
