#ifndef QEXTSERIAL_PLATFORM_H
#define QEXTSERIAL_PLATFORM_H

#include <QObject>
#include <QString>
#include <QStringList>

class QSerialPort;
class QSerialPortInfo;

// The little the serial layer must know of the operating system, one file per
// platform (qextserial_unix.cpp, qextserial_win.cpp), and where the system
// announces its serial devices, one file for that (qextserial_udev.cpp, else
// qextserial_nomonitor.cpp).
namespace QextPlatform {

// Where the enumerator found each of the ports, in their order: "ACPI" for
// the machine's built-in ports, which are never probed, "USB" (or the
// adapter's own enumerator) for the rest. One call per port list: the
// system's device list is read once.
QStringList enumeratorNames(const QList<QSerialPortInfo> &ports);

// What opens the port and names it on a command line: the device path here,
// the COM name on Windows.
QString devicePath(const QSerialPortInfo &info);

// The one spelling of the port at `location` (a device path, a link to one,
// or a COM name), for telling that two names lead to the same port; empty
// when there is no such port now.
QString portLocation(const QString &location);

// Whether an error QSerialPort reported means the device has gone. Some
// errors are passing: with XON/XOFF a write held back by the device's XOFF
// fails with EAGAIN, reported as a resource error, and the bytes are kept.
bool deviceIsGone(QSerialPort &port);

// With XON/XOFF, output held by the device's XOFF waits for its XON alone.
// Qt also lets any other byte from the device restart it, and a bootloader
// that prints its progress while its buffer is full would be overrun.
void holdOutputUntilXon(QSerialPort &port);

// Tells one device behind a path from another that took its place under the
// same name (an adapter swapped, a link re-pointed to a new terminal). Empty
// where the system gives nothing to tell them apart by, or the path is gone.
QString deviceIdentity(const QString &path);

// A name for the adapter at `path` that survives a re-plug into another
// socket or a renumbering: its link under /dev/serial/by-id (else by-path)
// where the system makes one, its device instance on Windows. Empty where
// there is none.
QString stablePath(const QString &path);

// Takes the advisory lock that every open of a line by our programs takes,
// the bootloader library's sessions included, on the port at `path` and
// before anything opens the line for use: two programs on one line corrupt
// each other's exchanges, root is not kept out by exclusive mode, and a line
// another holds must be left exactly as it was (its settings, its exclusive
// mode). Returns a handle for unlockLine once the line is closed again, or
// -1 when another holds it or the port cannot be opened (openFailure says
// which).
int lockLine(const QString &path);
void unlockLine(int handle);

// Why an open of the port at `path` fails: EACCES (its permissions shut the
// user out), EBUSY (another program holds it), ENOENT (gone) or another
// errno; 0 where the system cannot say.
int openFailure(const QString &path);

// Cheap summary of the system's serial devices and of the given paths: it
// changes whenever a port comes, goes or is replaced. Empty where the system
// offers nothing cheaper than the full port list.
QString portListFingerprint(const QStringList &paths, bool withSystemPorts);

// The system's own notices of serial devices coming and going, by device
// path (QextPortInfo::physName).
class PortMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Inactive, notices are dropped; they are not news once watching
    // starts again.
    virtual void setActive(bool active) = 0;

signals:
    void added(const QString &devicePath);
    void removed(const QString &devicePath);
};

// A monitor, inactive, or nullptr where the system sends no notices here:
// then the enumerator keeps a watch of its own.
PortMonitor *createPortMonitor(QObject *parent);

} // namespace QextPlatform

#endif
