#include "qextserial_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace QextPlatform {

QStringList enumeratorNames(const QList<QSerialPortInfo> &ports)
{
    // A gripper is always behind a USB adapter. Ports without a vendor are the
    // machine's own UARTs, treated like Windows' ACPI ports.
    QStringList names;
    for (const QSerialPortInfo &info : ports)
        names.append(info.hasVendorIdentifier() ? QStringLiteral("USB") : QStringLiteral("ACPI"));
    return names;
}

QString devicePath(const QSerialPortInfo &info)
{
    return info.systemLocation();
}

QString portLocation(const QString &location)
{
    return QFileInfo(location).canonicalFilePath();
}

bool deviceIsGone(QSerialPort &port)
{
    const int fd = port.handle();
    if (fd < 0)
        return true;
    // A terminal whose device went away (adapter pulled, pty master closed)
    // is hung up, and says so to poll().
    pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return true;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void holdOutputUntilXon(QSerialPort &port)
{
    termios tio;
    if (port.handle() >= 0 && ::tcgetattr(port.handle(), &tio) == 0 && (tio.c_iflag & IXANY)) {
        tio.c_iflag &= ~tcflag_t(IXANY);
        ::tcsetattr(port.handle(), TCSANOW, &tio);
    }
}

QString deviceIdentity(const QString &path)
{
    // A path given by name may be a link (a simulator's, a bridge's): a new
    // link is a new inode with a new change time even where the terminal it
    // leads to got the old number. Device nodes made anew on a replug carry
    // a new change time too.
    const QByteArray name = path.toLocal8Bit();
    struct stat link;
    struct stat target;
    if (::lstat(name.constData(), &link) != 0 || ::stat(name.constData(), &target) != 0)
        return QString();
    return QStringLiteral("%1:%2.%3:%4")
        .arg(quint64(link.st_ino))
        .arg(qint64(link.st_ctim.tv_sec))
        .arg(qint64(link.st_ctim.tv_nsec))
        .arg(quint64(target.st_rdev));
}

QString stablePath(const QString &path)
{
    const QString device = QFileInfo(path.startsWith(QLatin1Char('/')) ? path : QStringLiteral("/dev/") + path)
                               .canonicalFilePath();
    if (device.isEmpty())
        return QString();
    // udev's links name the adapter by its maker, model and serial (by-id),
    // else by the USB socket it sits in (by-path).
    for (const char *folder : {"/dev/serial/by-id", "/dev/serial/by-path"}) {
        const QString dir = QLatin1String(folder);
        for (const QString &name : QDir(dir).entryList(QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
            const QString link = dir + QLatin1Char('/') + name;
            if (QFileInfo(link).canonicalFilePath() == device)
                return link;
        }
    }
    return QString();
}

int lockLine(const QString &path)
{
    // Where the serial layer finds a port given by bare name.
    const bool bare = !path.startsWith(QLatin1Char('/')) && !path.startsWith(QLatin1String("./"))
                      && !path.startsWith(QLatin1String("../"));
    const QByteArray location = QFile::encodeName(bare ? QStringLiteral("/dev/") + path : path);
    // Opening a terminal without O_NONBLOCK waits for its carrier; opening
    // it changes none of its settings.
    const int fd = ::open(location.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void unlockLine(int handle)
{
    // The lock goes with the last descriptor of its open.
    if (handle >= 0)
        ::close(handle);
}

int openFailure(const QString &path)
{
    // The serial layer says only that it was refused; an open of our own
    // tells a user shut out by the permissions from a port another program
    // holds in exclusive mode (EBUSY), or with a lock only (our open then
    // succeeds), from a port gone.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Opened, so another of our programs holds its lock, or another program
    // its lock file.
    ::close(fd);
    return EBUSY;
}

QString portListFingerprint(const QStringList &paths, bool withSystemPorts)
{
    // Asking the system for its ports walks the whole device database: about
    // 5 ms of CPU time on a Linux desktop, which at every poll kept an idle
    // window at almost 1 % of a core. The kernel lists its tty devices as
    // entries of one folder; with their inode numbers, which are new for an
    // entry made again, the listing changes whenever a port comes, goes or
    // is replaced, and costs a fraction of that.
    QStringList parts;
    if (withSystemPorts) {
        DIR *ttys = ::opendir("/sys/class/tty");
        if (!ttys)
            return QString();
        while (const dirent *entry = ::readdir(ttys))
            parts.append(QStringLiteral("%1=%2").arg(QString::fromLocal8Bit(entry->d_name)).arg(quint64(entry->d_ino)));
        ::closedir(ttys);
        parts.sort();
    }
    for (const QString &path : paths)
        parts.append(QLatin1Char('+') + QFileInfo(path).canonicalFilePath() + QLatin1Char('=') + deviceIdentity(path));
    return parts.join(QLatin1Char('\n'));
}

} // namespace QextPlatform
