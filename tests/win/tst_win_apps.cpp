// The Windows installer and the programs it installs, run under Wine against
// the simulator. Each part makes a prefix of its own, installs silently
// (/S) and runs the installed files:
//   flash   korvane-flash.exe --version, list and update on a gripper waiting
//           in its ROM on COM11, then the uninstaller;
//   wizard  korvane-upgrader.exe with the Windows platform plug-in on a
//           virtual display (Xvfb), a gripper running its firmware on COM11;
//           the first two pages are grabbed off the display.
//
//   tst_win_apps --part flash|wizard --wine WINE --installer SETUP --prefix DIR --image IMAGE
//                [--xvfb XVFB --xdotool XDOTOOL --screenshots DIR]
//   tst_win_apps --skip REASON        prints the reason, exits 77 (skipped)

#include "gripper_sim.h"
#include "winerun.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QRect>
#include <QSet>

#include <fcntl.h>
#include <glob.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace korvane::sim;
using namespace winerun;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t MAIN = 0x08080000;
constexpr int COM_NUMBER = 11;
const std::string COM = "COM11";
constexpr int SKIPPED = 77;

struct Options : Wine
{
    std::string part, installer, image, xvfb, xdotool, screenshots;
};

std::string installDir(const Options &o)
{
    return o.prefix + "/drive_c/Program Files/Korvane Upgrader";
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

std::string lineStartingWith(const std::string &text, const std::string &start)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(start, 0) == 0)
            return line;
    }
    return std::string();
}

void show(const std::string &what, const std::string &text)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        std::cout << "  [" << what << "] " << line << std::endl;
}

// Wine takes every /dev/ttyS* as a COM port, and opening this machine's
// (a UART with nothing behind it) never returns under Wine: the probe of
// every port would hang there. In a mount namespace of the test's own they
// become /dev/null, which Wine fails to open at once. Empty, or why not.
std::string hideHostSerialPorts()
{
    glob_t found = {};
    glob("/dev/ttyS*", 0, nullptr, &found);
    std::vector<std::string> ports(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    globfree(&found);
    if (ports.empty())
        return std::string();
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("cannot keep Wine off this machine's own serial ports (/dev/ttyS*), which hang it: ")
               + std::strerror(errno) + " (the test needs root)";
    for (const std::string &port : ports) {
        if (mount("/dev/null", port.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "cannot hide " + port + ": " + std::strerror(errno);
    }
    return std::string();
}

bool startMenuEntry(const Options &o)
{
    const fs::path menu = o.prefix + "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs";
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(menu, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->path().filename() == "Korvane Upgrader.lnk")
            return true;
    }
    return false;
}

// Waits up to `seconds` for `done`.
template <typename Condition>
bool waitFor(Condition done, int seconds)
{
    const auto t0 = Clock::now();
    while (!done() && msSince(t0) < seconds * 1000)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return done();
}

bool install(const Options &o)
{
    const auto t0 = Clock::now();
    const int r = run(o, {o.installer, "/S"}, workDir(o) + "/install.out", 120);
    expect(r == 0, "the installer ran silently (/S): exit status " + std::to_string(r) + " after "
                       + std::to_string(msSince(t0)) + " ms");
    bool all = true;
    for (const char *file : {"korvane-upgrader.exe", "korvane-station.exe", "korvane-flash.exe", "Qt5Core.dll",
                             "Qt5Gui.dll", "Qt5Widgets.dll", "Qt5SerialPort.dll", "libstdc++-6.dll",
                             "libgcc_s_seh-1.dll", "libwinpthread-1.dll", "platforms/qwindows.dll",
                             "styles/qwindowsvistastyle.dll", "Uninstall.exe"}) {
        if (!fs::exists(installDir(o) + "/" + file)) {
            expect(false, std::string("installed: ") + file);
            all = false;
        }
    }
    expect(all, "the programs, Qt and its plug-ins, the MinGW runtime and the uninstaller are in " + installDir(o));
    expect(startMenuEntry(o), "a Start-menu entry \"Korvane Upgrader\"");
    return r == 0 && all;
}

// Runs an installed program to its end; its standard output.
std::string runInstalled(const Options &o, const std::string &exe, const std::vector<std::string> &args,
                         int *status)
{
    std::vector<std::string> all{installDir(o) + "/" + exe};
    all.insert(all.end(), args.begin(), args.end());
    const std::string out = workDir(o) + "/" + exe + ".out";
    *status = run(o, all, out, 180);
    const std::string text = readFile(out);
    show(exe, text);
    return text;
}

void flashPart(Options &o, const Bytes &image, const std::string &imageName)
{
    int status = 0;
    const std::string version = runInstalled(o, "korvane-flash.exe", {"--version"}, &status);
    expect(status == 0 && contains(version, "carried firmware: " + imageName),
           "korvane-flash.exe --version names the carried image " + imageName);

    GripperConfig c;
    c.kind = Kind::GC;
    c.bootToRom = true;
    Gripper g(c);
    expect(g.waitForState(State::Rom, std::chrono::seconds(2)), "simulated GC3 sits in its ROM");
    g.setFlash(MAIN, Bytes(4 * 0x20000, 0xFF));
    expect(linkComPort(o, COM_NUMBER, g.path()), COM + " leads to " + g.path());
    o.env["KORVANE_EXTRA_PORTS"] = COM;

    const std::string list = runInstalled(o, "korvane-flash.exe", {"list"}, &status);
    const std::string row = lineStartingWith(list, COM + " ");
    expect(status == 0 && contains(row, "BL_STM32") && contains(row, "yes"),
           "korvane-flash.exe list shows " + COM + " as a bootloader: '" + row + "'");
    expect(g.romLog().writes.empty() && g.romLog().erasedSectors.empty(), "listing wrote and erased nothing");

    g.clearLogs();
    const std::string update = runInstalled(o, "korvane-flash.exe", {"update", COM, "--type", "GC3"}, &status);
    expect(status == 0, "korvane-flash.exe update " + COM + " --type GC3: exit status " + std::to_string(status));
    expect(g.readFlash(MAIN, uint32_t(image.size())) == image, "the simulated flash holds the carried image");
    const RomLog log = g.romLog();
    expect(log.erasedSectors == std::vector<int>({8, 9, 10, 11}), "sectors 8..11 erased");
    expect(log.goAddresses == std::vector<uint32_t>({0x08000000}), "one Go, to 0x08000000");
    expect(g.waitForState(State::Firmware, std::chrono::seconds(3)) && g.status().unit.version == Version{1, 6, 9},
           "the gripper runs the new firmware");
    // The version in the result line is the one the new firmware answered
    // over Modbus, read by Qt's serial port under Wine.
    expect(contains(update, COM + ": updated BL_STM32 -> GC3-1.6.9"), "the result line names the version read back");

    const auto t0 = Clock::now();
    run(o, {installDir(o) + "/Uninstall.exe", "/S"}, workDir(o) + "/uninstall.out", 60);
    // The uninstaller runs on from a copy of itself and returns at once; its
    // last steps remove the folder and the Start-menu entry.
    const bool removed = waitFor([&] { return !fs::exists(installDir(o)) && !startMenuEntry(o); }, 30);
    expect(removed, "the uninstaller removed the folder and the Start-menu entry (after " + std::to_string(msSince(t0))
                        + " ms)");
}

// A virtual display: Xvfb picks a free number and writes it to a pipe.
struct Display
{
    pid_t pid = -1;
    std::string name;

    explicit Display(const std::string &xvfb)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1600x24", "-nolisten",
                  "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[16] = {};
        const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
        close(fds[0]);
        if (n > 0)
            name = ":" + std::string(buffer, std::size_t(n)).substr(0, std::strcspn(buffer, "\n"));
    }
    ~Display()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// The display, cut to what is drawn on it, saved as PNG; the number of
// colours in it (a window that never drew leaves one).
int grab(const std::string &path)
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QRgb background = shot.pixel(0, 0);
    QSet<QRgb> colours;
    QRect drawn;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            const QRgb pixel = shot.pixel(x, y);
            colours.insert(pixel);
            if (pixel != background)
                drawn |= QRect(x, y, 2, 2);
        }
    }
    if (!path.empty() && !drawn.isEmpty())
        shot.copy(drawn).save(QString::fromStdString(path));
    return colours.size();
}

void pressReturn(const Options &o, const std::string &display)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execl(o.xdotool.c_str(), "xdotool", "key", "Return", static_cast<char *>(nullptr));
        _exit(127);
    }
    if (pid > 0)
        waitpid(pid, nullptr, 0);
}

void wizardPart(Options &o)
{
    const std::string display = o.env["DISPLAY"];
    GripperConfig c;
    c.kind = Kind::GC;
    Gripper g(c);
    expect(g.waitForState(State::Firmware, std::chrono::seconds(2)), "simulated GC3 1.6.8 runs its firmware");
    expect(linkComPort(o, COM_NUMBER, g.path()), COM + " leads to " + g.path());
    o.env["KORVANE_EXTRA_PORTS"] = COM;

    // No QT_QPA_PLATFORM: the wizard takes the Windows platform plug-in,
    // which draws through Wine on the virtual display. Nothing else would
    // show on it.
    const int wizard = start(o, {installDir(o) + "/korvane-upgrader.exe"}, workDir(o) + "/wizard.out");
    expect(waitFor([] { return grab(std::string()) > 20; }, 60), "the wizard's window is on " + display);
    const std::string dir = o.screenshots.empty() ? workDir(o) : o.screenshots;
    fs::create_directories(dir);
    if (!o.xdotool.empty()) {
        // Next: the port page scans every port.
        pressReturn(o, display);
        expect(waitFor([&g] { return g.status().counters.modbusAnswers > 0; }, 60),
               "the wizard asked the gripper on " + COM + " its version over Modbus, and it answered");
        // The list is filled once every port has been asked.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const std::string select = dir + "/windows-1-select-port.png";
        const std::string check = dir + "/windows-2-check-version.png";
        fs::remove(select);
        fs::remove(check);
        grab(select);
        pressReturn(o, display);
        std::this_thread::sleep_for(std::chrono::seconds(3));
        grab(check);
        expect(fs::exists(select) && fs::exists(check), "the port and version pages grabbed");
        std::cout << "screenshots in " << dir << std::endl;
    } else {
        std::cout << "no xdotool: the wizard's first page only" << std::endl;
    }
    stop(wizard);
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string *to = a == "--part"          ? &o.part
                          : a == "--wine"        ? &o.wine
                          : a == "--installer"   ? &o.installer
                          : a == "--prefix"      ? &o.prefix
                          : a == "--image"       ? &o.image
                          : a == "--xvfb"        ? &o.xvfb
                          : a == "--xdotool"     ? &o.xdotool
                          : a == "--screenshots" ? &o.screenshots
                                                 : nullptr;
        if (a == "--skip") {
            std::cout << "skipped: " << (i + 1 < argc ? argv[i + 1] : "") << std::endl;
            return SKIPPED;
        }
        if (!to || i + 1 >= argc) {
            std::cerr << "usage: tst_win_apps --part flash|wizard --wine WINE --installer SETUP --prefix DIR "
                         "--image IMAGE [--xvfb XVFB --xdotool XDOTOOL --screenshots DIR]"
                      << std::endl;
            return 2;
        }
        *to = argv[++i];
    }
    if (o.part == "wizard" && o.xvfb.empty()) {
        std::cout << "skipped: the wizard needs a virtual display (Xvfb; scripts/packages.sh installs it)"
                  << std::endl;
        return SKIPPED;
    }
    const std::string imageText = readFile(o.image);
    const Bytes image(imageText.begin(), imageText.end());
    if (image.empty() || !fs::exists(o.installer)) {
        std::cerr << "tst_win_apps: cannot read " << o.image << " or " << o.installer << std::endl;
        return 2;
    }
    if (const std::string why = hideHostSerialPorts(); !why.empty()) {
        std::cout << "skipped: " << why << std::endl;
        return SKIPPED;
    }

    // The wizard's window goes to a virtual display; Wine's desktop, started
    // with the prefix's first program, must know it from the start.
    std::unique_ptr<Display> display;
    std::unique_ptr<QGuiApplication> grabber;
    if (o.part == "wizard") {
        display = std::make_unique<Display>(o.xvfb);
        if (display->name.empty()) {
            std::cout << "FAIL Xvfb started" << std::endl;
            return 1;
        }
        o.env["DISPLAY"] = display->name;
        qputenv("DISPLAY", display->name.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        grabber = std::make_unique<QGuiApplication>(argc, argv);
    }

    const auto t0 = Clock::now();
    if (!begin(o)) {
        expect(false, "making the wine prefix (see " + workDir(o) + "/wine-stderr.log)");
        return 1;
    }
    if (install(o)) {
        if (o.part == "flash")
            flashPart(o, image, fs::path(o.image).filename().string());
        else
            wizardPart(o);
    }
    end(o);
    unlink((o.prefix + "/dosdevices/com" + std::to_string(COM_NUMBER)).c_str());
    std::cout << (failures() ? "FAILED" : "passed") << ": " << failures() << " failed checks, " << msSince(t0)
              << " ms in all" << std::endl;
    return failures() ? 1 : 0;
}
