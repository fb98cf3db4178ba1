// The Windows side under Wine against the simulator: this native program owns
// the simulated gripper, gives its pseudo-terminal to Wine as COM11 (a
// dosdevices link in a private prefix) and judges what reached it. Parts:
//   stbl    stbl-wincheck.exe, the bootloader library and its Windows
//           transport: the wizard's sequence (flash), a silent ROM, a unit
//           that dies in the 3rd packet, a port pulled mid-write;
//   flash   the installer (/S), korvane-flash.exe list and update on a
//           gripper in its ROM, then the uninstaller;
//   wizard  the installer, then korvane-upgrader.exe with the Windows
//           platform plug-in on a virtual display (Xvfb): its window, and
//           Next leads to a scan that asks the gripper its version; then
//           an upgrade through the installer's pages keeps PATH;
//   setup   the installer as a Windows program: its version resource, PATH
//           (a long one, silently), "Apps and features", a signed
//           uninstaller, an upgrade over an earlier version and one refused
//           while a program runs.
// Arguments: --part, --wine, --prefix, --image, and --exe (stbl), --installer,
// --xvfb, --xdotool, --screenshots (flash, wizard), --verify (setup: a command
// that checks a signature, the file appended), --earlier (setup: an installer
// that also carries dropped.txt); --missing REASON fails, naming what to install.

#include "gripper_sim.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <fcntl.h>
#include <glob.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace korvane::sim;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t MAIN = 0x08080000;
constexpr uint32_t PACKET = 252;
// Two digits on purpose: COM10 and above only open as "\\.\COMn".
const std::string COM = "COM11";
constexpr int SKIPPED = 77;

using Clock = std::chrono::steady_clock;

struct Options
{
    std::string wine, prefix; // the wine program, WINEPREFIX (logs and outputs go beside it)
    // Added to the environment of every wine program; DISPLAY is taken from
    // here only (none by default: the console programs need none).
    std::map<std::string, std::string> env;
    std::string part, exe, installer, image, xvfb, xdotool, screenshots = ".", verify, earlier;
};

// Running Windows programs under Wine: a private prefix, one wineserver per
// test, checks reported as "ok"/"FAIL" lines.
int failed = 0;

void expect(bool ok, const std::string &what)
{
    std::cout << (ok ? "ok   " : "FAIL ") << what << std::endl;
    failed += ok ? 0 : 1;
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

std::string workDir(const Options &w)
{
    return fs::path(w.prefix).parent_path().string();
}

// Starts wine with `args` in a process group of its own: no Mono/Gecko
// prompts, no debug channels, no display unless one is given, and nothing
// the wine processes leave behind holds CTest's pipes. Standard output to
// `outPath`, standard error (Wine's own, and the program's log) appended to
// wine-stderr.log beside the prefix.
pid_t start(const Options &w, const std::vector<std::string> &args, const std::string &outPath)
{
    const pid_t pid = fork();
    if (pid != 0) {
        setpgid(pid, pid);
        return pid;
    }
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open((workDir(w) + "/wine-stderr.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
        _exit(126);
    setenv("WINEPREFIX", w.prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        unsetenv(name);
    for (const auto &[name, value] : w.env)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char *> argv{const_cast<char *>(w.wine.c_str())};
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(w.wine.c_str(), argv.data());
    _exit(127);
}

// Ends a program start() began, and everything it started.
void stop(pid_t pid)
{
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Runs wine to its end: the exit status, -1 when it outlived `limitSeconds`.
int run(const Options &w, const std::vector<std::string> &args, const std::string &outPath, int limitSeconds)
{
    const pid_t pid = start(w, args, outPath);
    const auto until = Clock::now() + std::chrono::seconds(limitSeconds);
    for (int status = 0; pid > 0; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR)
            break;
        if (Clock::now() >= until) {
            stop(pid);
            return -1;
        }
    }
    return -2;
}

// Runs the prefix's wineserver with `option`, its output thrown away (on
// exit it dumps every object it still holds: megabytes).
void wineserver(const Options &w, const char *option)
{
    const std::string server = w.wine + "server";
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd)
            dup2(null, fd);
        setenv("WINEPREFIX", w.prefix.c_str(), 1);
        execlp(access(server.c_str(), X_OK) == 0 ? server.c_str() : "wineserver", "wineserver", option,
               static_cast<char *>(nullptr));
        _exit(127);
    }
    waitpid(pid, nullptr, 0);
}

// Makes the prefix on its first use (wineboot) and starts the one wineserver
// the test uses (its log is not the programs'); it goes a minute after the
// last wine program, should the test die first.
bool begin(const Options &w)
{
    fs::create_directories(w.prefix);
    std::ofstream(workDir(w) + "/wine-stderr.log", std::ios::trunc);
    wineserver(w, "-k"); // one left by an interrupted run
    wineserver(w, "-p60");
    if (fs::exists(w.prefix + "/system.reg"))
        return true;
    const int r = run(w, {"wineboot", "-i"}, workDir(w) + "/wineboot.out", 300);
    return r == 0 && fs::exists(w.prefix + "/dosdevices");
}

// The pseudo-terminal at `ptyPath` as COM11 (or `name`) of the prefix.
bool linkComPort(const Options &w, const std::string &ptyPath, const std::string &name = "com11")
{
    const std::string link = w.prefix + "/dosdevices/" + name;
    unlink(link.c_str());
    return symlink(ptyPath.c_str(), link.c_str()) == 0;
}

std::string installDir(const Options &o)
{
    return o.prefix + "/drive_c/Program Files/Korvane Upgrader";
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

template <typename Condition>
bool waitFor(Condition done, int seconds)
{
    const auto t0 = Clock::now();
    while (!done() && msSince(t0) < seconds * 1000)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return done();
}

// A GC in its ROM, as after the wizard's reboot request; `blank` erases its
// main sectors, so what a run wrote can be told from what the simulator
// starts with; `paced` gives it a real line's pace (erases quicker than real).
std::unique_ptr<Gripper> romUnit(bool blank, bool paced = false)
{
    GripperConfig c;
    c.bootToRom = true;
    c.pacing.enabled = paced;
    c.pacing.erase128kSeconds = 0.05;
    auto g = std::make_unique<Gripper>(c);
    expect(g->waitForState(State::Rom, std::chrono::seconds(2)), "simulated GC3 sits in its ROM");
    if (blank)
        g->setFlash(MAIN, Bytes(4 * 0x20000, 0xFF));
    g->clearLogs();
    return g;
}

bool runsCarried(Gripper &g)
{
    return g.waitForState(State::Firmware, std::chrono::seconds(3)) && g.status().unit.typeCode == "GC3"
           && g.status().unit.version == Version{1, 6, 9};
}

// One scenario of stbl-wincheck.exe against `g`; `during` runs beside it.
void scenario(const Options &o, Gripper &g, const std::string &name,
              const std::function<void(const std::atomic<bool> &over)> &during = {})
{
    std::cout << "== " << name << std::endl;
    expect(linkComPort(o, g.path()), COM + " leads to " + g.path());
    std::atomic<bool> over{false};
    std::thread side;
    if (during)
        side = std::thread([&] { during(over); });
    const std::string out = workDir(o) + "/" + name + ".out";
    std::string image = "Z:" + o.image;
    std::replace(image.begin(), image.end(), '/', '\\');
    const int r = run(o, {o.exe, COM, name, image}, out, 90);
    over = true;
    if (side.joinable())
        side.join();
    std::cout << readFile(out);
    expect(r == 0, name + ": stbl-wincheck.exe exit status " + std::to_string(r) + " (-1: hung)");
}

void stblPart(const Options &o, const Bytes &image)
{
    auto g = romUnit(false);
    scenario(o, *g, "flash");
    expect(g->readFlash(MAIN, uint32_t(image.size())) == image, "the simulated flash holds the carried image");
    expect(g->romLog().erasedSectors == std::vector<int>({8, 9, 10, 11}) && g->romLog().massErases == 0,
           "sectors 8 to 11 erased, nothing else");
    expect(runsCarried(*g), "the gripper runs GC3 1.6.9 after Go");

    g = romUnit(false);
    g->setFaults([] { Faults f; f.romNoSyncAnswer = true; return f; }());
    scenario(o, *g, "silence");

    // The unit loses power in the 3rd packet: the first two are in flash,
    // nothing after them, nothing starts.
    g = romUnit(true);
    g->setFaults([] { Faults f; f.romPowerLossAtWrite = 3; return f; }());
    scenario(o, *g, "silent-write");
    expect(g->romLog().writes.size() == 3 && g->romLog().goAddresses.empty()
               && g->readFlash(MAIN, 2 * PACKET) == Bytes(image.begin(), image.begin() + 2 * PACKET),
           "packets 1 and 2 in flash, the 3rd the last one sent, nothing started");

    // Paced, so the image takes seconds and the port goes while it is written.
    g = romUnit(true, true);
    Gripper &unit = *g;
    scenario(o, unit, "vanish", [&unit](const std::atomic<bool> &over) {
        while (unit.romLog().writes.size() < 3 && !over)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        unit.unplug();
    });
    expect(unit.romLog().writes.size() < 100 && unit.romLog().goAddresses.empty(),
           "the write stopped with the port: " + std::to_string(unit.romLog().writes.size()) + " writes");
}

// Wine takes every /dev/ttyS* as a COM port, and opening this machine's (a
// UART with nothing behind it) never returns under Wine: the probe of every
// port would hang there. In a mount namespace of the test's own they become
// /dev/null, which Wine fails to open at once. Empty, or why not.
std::string hideHostSerialPorts()
{
    glob_t found = {};
    glob("/dev/ttyS*", 0, nullptr, &found);
    std::vector<std::string> ports(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    globfree(&found);
    if (!ports.empty() && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))
        return std::string("cannot keep Wine off this machine's serial ports, which hang it: ") + std::strerror(errno)
               + " (the test needs root)";
    for (const std::string &port : ports) {
        if (mount("/dev/null", port.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "cannot hide " + port + ": " + std::strerror(errno);
    }
    return std::string();
}

bool startMenuEntry(const Options &o)
{
    std::error_code ignored;
    const fs::path menu = o.prefix + "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs";
    for (auto it = fs::recursive_directory_iterator(menu, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->path().filename() == "Korvane Upgrader.lnk")
            return true;
    }
    return false;
}

bool install(const Options &o, const std::vector<std::string> &options = {})
{
    std::vector<std::string> args{o.installer, "/S"};
    args.insert(args.end(), options.begin(), options.end());
    const int r = run(o, args, workDir(o) + "/install.out", 120);
    bool all = r == 0;
    for (const char *file : {"korvane-upgrader.exe", "korvane-station.exe", "korvane-flash.exe", "Uninstall.exe",
                             "licences/NOTICE.txt", "licences/LGPL-3.txt", "licences/GCC-runtime-copyright.txt"})
        all = all && fs::exists(installDir(o) + "/" + file);
    expect(all && startMenuEntry(o), "installed silently (/S) into " + installDir(o) + ", with a Start-menu entry");
    return all;
}

std::string runInstalled(const Options &o, const std::vector<std::string> &args, int *status,
                         const std::string &program = "korvane-flash.exe")
{
    std::vector<std::string> all{installDir(o) + "/" + program};
    all.insert(all.end(), args.begin(), args.end());
    const std::string out = workDir(o) + "/korvane-flash.out";
    *status = run(o, all, out, 180);
    const std::string text = readFile(out);
    std::cout << text;
    return text;
}

void flashPart(Options &o, const Bytes &image)
{
    int status = 0;
    auto g = romUnit(true);
    expect(linkComPort(o, g->path()), COM + " leads to " + g->path());
    o.env["KORVANE_EXTRA_PORTS"] = COM;
    // Through the launcher the installer can put on PATH; in French, into a
    // file: UTF-8 whatever the code pages ("MODÈLE" heads the kinds).
    const std::string listed = runInstalled(o, {"--lang", "fr", "list"}, &status, "bin/korvane-flash.exe");
    expect(contains(listed, "BL_STM32") && status == 0 && g->romLog().writes.empty()
               && g->romLog().erasedSectors.empty(),
           "korvane-flash.exe list shows " + COM + " in its bootloader, and wrote nothing");
    expect(contains(listed, "MOD\xc3\x88LE"), "its French output, redirected, is UTF-8");
    // Qt's own words come from the translations installed beside the
    // programs: this Qt has no folder of its own for them.
    const std::string help = runInstalled(o, {"--lang", "fr", "--help"}, &status, "korvane-upgrader.exe");
    expect(status == 0 && contains(help, "Afficher les informations de version"),
           "korvane-upgrader.exe --lang fr --help shows Qt's own words in French");

    // The version in the result line is the one the new firmware answered
    // over Modbus, read by Qt's serial port under Wine.
    const std::string update = runInstalled(o, {"update", COM, "--type", "GC3"}, &status);
    expect(status == 0 && contains(update, COM + ": updated BL_STM32 -> GC3-1.6.9"), "korvane-flash.exe update");
    expect(g->readFlash(MAIN, uint32_t(image.size())) == image && runsCarried(*g),
           "the simulated flash holds the carried image, and the gripper runs it");

    // The history shared by two runs: one holds it open while it writes
    // COM11 again, the other appends the line of an up-to-date COM12 meanwhile.
    GripperConfig current;
    current.version = Version{1, 6, 9};
    Gripper other(current);
    expect(other.waitForState(State::Firmware, std::chrono::seconds(2)) && linkComPort(o, other.path(), "com12"),
           "COM12 leads to " + other.path());
    o.env["KORVANE_EXTRA_PORTS"] = COM + ";COM12";
    glob_t found = {};
    glob((o.prefix + "/drive_c/users/*/AppData/Local/Korvane/history.jsonl").c_str(), 0, nullptr, &found);
    const std::string history = found.gl_pathc ? found.gl_pathv[0] : std::string();
    globfree(&found);
    const auto lines = [&history] {
        const std::string text = readFile(history);
        return long(std::count(text.begin(), text.end(), '\n'));
    };
    const long before = lines();
    const pid_t writing = start(o, {installDir(o) + "/korvane-flash.exe", "update", COM, "--force"},
                                workDir(o) + "/writing.out");
    expect(g->waitForState(State::Rom, std::chrono::seconds(60)), "the forced update reached the ROM");
    expect(runInstalled(o, {"update", "COM12"}, &status).find("up to date") != std::string::npos,
           "COM12 said up to date while COM11 was written");
    int writingStatus = -1;
    bool ended = false;
    expect(waitFor([&] { return ended = ended || waitpid(writing, &writingStatus, WNOHANG) == writing; }, 180)
               && WIFEXITED(writingStatus) && WEXITSTATUS(writingStatus) == 0,
           "COM11 written again (--force)");
    if (!ended)
        stop(writing);
    const std::string kept = readFile(history);
    // COM12's line comes first: COM11 waits 3 s for its ROM after the reboot.
    expect(!history.empty() && lines() == before + 2 && contains(kept, "\"port\":\"COM12\""),
           "the history keeps both runs' lines: " + history);

    // The uninstaller runs on from a copy of itself and returns at once.
    run(o, {installDir(o) + "/Uninstall.exe", "/S"}, workDir(o) + "/uninstall.out", 60);
    expect(waitFor([&] { return !fs::exists(installDir(o)) && !startMenuEntry(o); }, 30),
           "the uninstaller removed the folder and the Start-menu entry");
}

// Runs xdotool with `args` on the display: whether it succeeded.
bool xdotool(const Options &o, const std::string &args)
{
    return std::system(("DISPLAY=" + o.env.at("DISPLAY") + " '" + o.xdotool + "' " + args + " >/dev/null").c_str()) == 0;
}

// The display as a PNG, cut to what is drawn on it.
void grab(const std::string &path)
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    QRect drawn;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2)
            drawn |= shot.pixel(x, y) == shot.pixel(0, 0) ? QRect() : QRect(x, y, 2, 2);
    }
    shot.copy(drawn).save(QString::fromStdString(path));
}

// A virtual display: Xvfb picks a free number and writes it to a pipe. Its
// name, empty when it did not start.
std::string startDisplay(const std::string &xvfb, pid_t *pid)
{
    int fds[2];
    if (pipe(fds) != 0)
        return std::string();
    *pid = fork();
    if (*pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
              static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the number and its newline apart, and dies of a pipe
    // closed in between: read up to the newline.
    std::string number;
    char c = 0;
    while (number.size() < 16) {
        const ssize_t n = read(fds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    return c == '\n' && !number.empty() ? ":" + number : std::string();
}

void wizardPart(Options &o)
{
    auto g = std::make_unique<Gripper>(GripperConfig{});
    expect(g->waitForState(State::Firmware, std::chrono::seconds(2)) && linkComPort(o, g->path()),
           "a GC3 running its firmware on " + COM);
    o.env["KORVANE_EXTRA_PORTS"] = COM;
    if (install(o)) {
        // No QT_QPA_PLATFORM: the Windows platform plug-in draws through Wine.
        const int wizard = start(o, {installDir(o) + "/korvane-upgrader.exe"}, workDir(o) + "/wizard.out");
        expect(waitFor([&] { return xdotool(o, "search --name 'Korvane Upgrader'"); }, 60),
               "the wizard's window is shown");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        xdotool(o, "key Return");
        expect(waitFor([&g] { return g->status().counters.modbusAnswers > 0; }, 60),
               "Next: the port page asked the gripper on " + COM + " its version, and it answered");
        // The port page once every port was asked, then Next to the version
        // page: pictures for the README (scripts/screenshots.sh).
        fs::create_directories(o.screenshots);
        for (const char *page : {"windows-1-select-port.png", "windows-2-check-version.png"}) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            grab(o.screenshots + "/" + page);
            xdotool(o, "key Return");
        }
        stop(wizard);
    }
}

// What `reg query KEY` prints under Wine.
std::string regQuery(const Options &o, const std::string &key)
{
    run(o, {"reg", "query", key}, workDir(o) + "/reg.out", 60);
    std::string text = readFile(workDir(o) + "/reg.out");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// An upgrade clicked through, Return on every page, as a user in a hurry
// does: the page "Install Options" offers what the earlier install chose,
// so korvane-flash stays on the user's PATH.
void upgradeThroughThePages(Options &o)
{
    const std::string user = "HKCU\\Environment", bin = "C:\\Program Files\\Korvane Upgrader\\bin";
    if (!install(o, {"/PATH=user"}))
        return;
    const pid_t setup = start(o, {o.installer}, workDir(o) + "/upgrade.out");
    expect(waitFor([&] { return xdotool(o, "search --name 'Korvane Upgrader.*Setup'"); }, 60),
           "the installer's pages are shown");
    int status = -1;
    waitFor([&] {
        if (waitpid(setup, &status, WNOHANG) == setup)
            return true;
        xdotool(o, "key Return");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return false;
    }, 120);
    if (!WIFEXITED(status))
        stop(setup);
    const std::string path = regQuery(o, user);
    expect(WIFEXITED(status) && WEXITSTATUS(status) == 0 && contains(path, bin)
               && path.find(bin) == path.rfind(bin),
           "an upgrade with Return on every page keeps korvane-flash on the user's PATH, once: " + path);
}

void setupPart(Options &o)
{
    std::u16string described = u"Korvane Upgrader 1.2.0 installer";
    const std::string installer = readFile(o.installer);
    expect(contains(installer, std::string(reinterpret_cast<const char *>(described.data()), described.size() * 2)),
           "the installer carries a version resource that names what it installs");

    // Longer than the 1024 characters an installer's string holds.
    const std::string env = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";
    std::string path = "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem";
    for (int i = 0; path.size() < 1500; ++i)
        path += ";C:\\Tools\\A folder with a long name, number " + std::to_string(i) + "\\bin";
    run(o, {"reg", "add", env, "/v", "PATH", "/t", "REG_EXPAND_SZ", "/d", path, "/f"}, workDir(o) + "/reg.out", 60);
    const std::string bin = ";C:\\Program Files\\Korvane Upgrader\\bin";
    const std::string current = o.installer, dropped = installDir(o) + "/dropped.txt";
    o.installer = o.earlier;
    const bool earlier = install(o, {"/PATH=all"}) && fs::exists(dropped);
    o.installer = current;
    if (!earlier || !install(o, {"/PATH=all"}))
        return;
    expect(!fs::exists(dropped), "installed over an earlier version: a file only that one carried is gone");
    expect(contains(regQuery(o, env), path + bin + "\n"),
           "a silent install with /PATH=all appends its bin folder to a PATH of " + std::to_string(path.size())
               + " characters, which it keeps whole");
    const std::string entry = regQuery(o, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane Upgrader");
    const std::size_t size = entry.find("0x", entry.find("EstimatedSize"));
    expect(contains(entry, "https://korvane.example/upgrader") && size != std::string::npos
               && std::strtol(entry.c_str() + size, nullptr, 16) > 1000,
           "\"Apps and features\" has the help link and the size");
    std::string uninstaller = installDir(o) + "/Uninstall.exe";
    expect(std::system((o.verify + " '" + uninstaller + "' >/dev/null").c_str()) == 0, "the uninstaller is signed");

    // A program running from the folder: the installer refuses, and leaves it.
    const pid_t watching = start(o, {installDir(o) + "/korvane-flash.exe", "watch"}, workDir(o) + "/watch.out");
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int refused = run(o, {o.installer, "/S"}, workDir(o) + "/install.out", 120);
    expect(refused != 0 && fs::exists(installDir(o) + "/korvane-flash.exe"),
           "an install over korvane-flash running watch stops before it changes a file (exit status "
               + std::to_string(refused) + ")");
    stop(watching);

    // Installed again silently, no /PATH: the earlier choice stays, once.
    install(o);
    const std::string again = regQuery(o, env);
    expect(contains(again, path + bin + "\n"), "an upgrade without /PATH keeps the bin folder on PATH, once");

    run(o, {uninstaller, "/S"}, workDir(o) + "/uninstall.out", 60);
    expect(waitFor([&] { return !fs::exists(installDir(o)); }, 30) && contains(regQuery(o, env), path + "\n")
               && !contains(regQuery(o, env), bin),
           "the uninstaller takes the bin folder off PATH and leaves the rest");

    // The user's PATH, which Wine's user has none of yet.
    const std::string user = "HKCU\\Environment";
    if (install(o, {"/PATH=user"})) {
        expect(contains(regQuery(o, user), bin.substr(1) + "\n") && !contains(regQuery(o, env), bin),
               "/PATH=user puts the bin folder on the user's PATH only");
        run(o, {uninstaller, "/S"}, workDir(o) + "/uninstall.out", 60);
        expect(waitFor([&] { return !fs::exists(installDir(o)); }, 30) && !contains(regQuery(o, user), bin.substr(1)),
               "and the uninstaller takes it off");
    }
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string *to = a == "--part" ? &o.part : a == "--wine" ? &o.wine : a == "--exe" ? &o.exe
                        : a == "--installer" ? &o.installer : a == "--prefix" ? &o.prefix
                        : a == "--image" ? &o.image : a == "--xvfb" ? &o.xvfb : a == "--xdotool" ? &o.xdotool
                        : a == "--screenshots" ? &o.screenshots : a == "--verify" ? &o.verify
                        : a == "--earlier" ? &o.earlier : nullptr;
        if (a == "--missing") {
            std::cout << "FAIL: " << (i + 1 < argc ? argv[i + 1] : "") << std::endl;
            return 1;
        }
        if (!to || i + 1 >= argc) {
            std::cerr << "tst_win: unknown argument " << a << " (see the head of tests/win/tst_win.cpp)" << std::endl;
            return 2;
        }
        *to = argv[++i];
    }
    if (o.part == "wizard" && (o.xvfb.empty() || o.xdotool.empty())) {
        std::cout << "FAIL: the wizard needs Xvfb and xdotool (scripts/packages.sh installs xvfb and xdotool)"
                  << std::endl;
        return 1;
    }
    const std::string imageText = readFile(o.image);
    const Bytes image(imageText.begin(), imageText.end());
    if (image.empty() || (o.part != "stbl" && !fs::exists(o.installer))) {
        std::cerr << "tst_win: cannot read " << o.image << " or " << o.installer << std::endl;
        return 2;
    }
    if (o.part != "stbl") {
        if (const std::string why = hideHostSerialPorts(); !why.empty()) {
            std::cout << "skipped: " << why << std::endl;
            return SKIPPED;
        }
    }

    // Wine's desktop, started with the prefix's first program, must know the
    // display from the start.
    pid_t xvfb = -1;
    std::unique_ptr<QGuiApplication> grabber;
    if (o.part == "wizard") {
        if ((o.env["DISPLAY"] = startDisplay(o.xvfb, &xvfb)).empty())
            return expect(false, "Xvfb started"), 1;
        qputenv("DISPLAY", o.env["DISPLAY"].c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        grabber = std::make_unique<QGuiApplication>(argc, argv);
    }
    const auto t0 = Clock::now();
    if (!begin(o)) {
        expect(false, "making the wine prefix (see " + workDir(o) + "/wine-stderr.log)");
        return 1;
    }
    if (o.part == "stbl")
        stblPart(o, image);
    else if (o.part == "flash" && install(o))
        flashPart(o, image);
    else if (o.part == "wizard") {
        wizardPart(o);
        upgradeThroughThePages(o);
    }
    else if (o.part == "setup")
        setupPart(o);
    wineserver(o, "-k");
    unlink((o.prefix + "/dosdevices/com11").c_str());
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    std::cout << (failed ? "FAILED" : "passed") << ": " << failed << " failed checks, " << msSince(t0)
              << " ms in all" << std::endl;
    return failed ? 1 : 0;
}
