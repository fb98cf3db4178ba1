#include "unitchoice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QSet>
#include <QThread>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace {

// The library's words, English for the records and translated for the screen.
Phrase batchText(const char *source)
{
    return Phrase("Batch", source);
}

// The reason as the record keeps it; on screen, with the program's way past it.
Phrase withHint(Phrase reason, const Phrase &hint)
{
    if (!hint.isEmpty())
        //: A reason a unit was not updated, then how to get past it
        reason.shown = QCoreApplication::translate("Batch", "%1 (%2)").arg(reason.shown, hint.shown);
    return reason;
}

// The device node a name leads to, so that ttyUSB0, /dev/ttyUSB0 and a link
// to it are one port and one unit.
QString deviceNode(const QString &name)
{
    QFileInfo file(name);
    if (!file.exists() && !name.contains(QLatin1Char('/')))
        file.setFile(QStringLiteral("/dev/") + name);
    const QString node = file.canonicalFilePath();
    return node.isEmpty() ? name : node;
}

// The machine's own serial ports, where no gripper is looked for.
bool isMachinePort(const QextPortInfo &port)
{
    return port.enumName == QLatin1String("ACPI");
}

bool newerThan(const ProbedDevice &device, const FirmwareImage &image)
{
    return std::make_tuple(device.major, device.minor, device.patch)
           > std::make_tuple(image.major, image.minor, image.patch);
}

UnitChoice::Decision refuseOrSkip(const ProbedDevice &device, const FirmwareImage &image, const UnitRules &rules,
                                  UnitResult *result)
{
    if (!device.versionKnown() || rules.force)
        return UnitChoice::Update;
    if (device.major == image.major && device.minor == image.minor && device.patch == image.patch) {
        result->result = UnitResult::UpToDate;
        result->versionAfter = device.versionText();
        return UnitChoice::UpToDate;
    }
    if (newerThan(device, image)) {
        result->result = UnitResult::Refused;
        result->error = withHint(UnitEnd::newerText(image.versionText()), rules.forceHint);
        return UnitChoice::Newer;
    }
    return UnitChoice::Update;
}

} // namespace

namespace UnitChoice {

QString portPath(const QextPortInfo &port)
{
    return port.physName.isEmpty() ? port.portName : port.physName;
}

const ProbedDevice *announcedUnit(const QList<ProbedDevice> &devices)
{
    for (const ProbedDevice &device : devices) {
        if (device.announced)
            return &device;
    }
    return nullptr;
}

QString unavailableTag(const ProbedDevice &device)
{
    switch (device.openError) {
    case EACCES:
    case EPERM:
        return QStringLiteral("no-access");
    case EBUSY:
        return QStringLiteral("in-use");
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("gone");
    case ETIMEDOUT:
        return QStringLiteral("no-answer");
    default:
        return QStringLiteral("error");
    }
}

Phrase unavailableReason(const ProbedDevice &device)
{
    const QString tag = unavailableTag(device);
    if (tag == QLatin1String("no-access")) {
        const QString group = QFileInfo(device.portName).group();
        return batchText(QT_TRANSLATE_NOOP("Batch", "no access to the port: add the user to its group '%1', "
                                                    "then log in again"))
            .arg(group.isEmpty() ? QStringLiteral("dialout") : group);
    }
    if (tag == QLatin1String("in-use"))
        return batchText(QT_TRANSLATE_NOOP("Batch", "the port is in use by another program"));
    if (tag == QLatin1String("gone"))
        return batchText(QT_TRANSLATE_NOOP("Batch", "the port went away"));
    if (tag == QLatin1String("no-answer"))
        return batchText(QT_TRANSLATE_NOOP("Batch", "the port's open did not return (no answer)"));
    // Where the system cannot say why (0), no "(Success)" either.
    if (device.openError == 0)
        return batchText(QT_TRANSLATE_NOOP("Batch", "the port could not be opened"));
    return batchText(QT_TRANSLATE_NOOP("Batch", "the port could not be opened (%1)"))
        .arg(QString::fromLocal8Bit(std::strerror(device.openError)));
}

bool takenByAll(const ProbedDevice *unit)
{
    return unit && (unit->isGripper() || unit->unavailable);
}

const ProbedDevice *unitOn(const QextPortInfo &port, const QList<ProbedDevice> &found)
{
    for (const ProbedDevice &device : found) {
        if (device.announced && device.portName == portPath(port))
            return &device;
    }
    return nullptr;
}

PortChoice choosePorts(const QList<QextPortInfo> &present, const QStringList &named, bool all)
{
    PortChoice choice;
    QSet<QString> nodes;
    for (const QString &name : named) {
        const QString node = deviceNode(name);
        const auto found = std::find_if(present.begin(), present.end(), [&](const QextPortInfo &port) {
            return port.portName == name || port.physName == name || deviceNode(portPath(port)) == node;
        });
        // A port of the machine itself would be passed over unprobed, and
        // then taken for a port gone.
        const PortChoice::Problem problem = found == present.end() ? PortChoice::NotAPort
                                            : isMachinePort(*found)  ? PortChoice::MachinePort
                                                                     : PortChoice::None;
        if (problem != PortChoice::None) {
            choice.badName = name;
            choice.problem = problem;
            return choice;
        }
        // Two jobs on one port would fight over its line.
        const QString foundNode = deviceNode(portPath(*found));
        if (!nodes.contains(foundNode)) {
            choice.ports.append(*found);
            choice.names.append(name);
        }
        nodes.insert(foundNode);
    }
    if (all) {
        for (const QextPortInfo &port : present) {
            if (!isMachinePort(port)) {
                choice.ports.append(port);
                choice.names.append(portPath(port));
            }
        }
    }
    return choice;
}

QList<Taken> unitsTaken(const QList<QextPortInfo> &ports, const QList<ProbedDevice> &found, bool all)
{
    QList<Taken> taken;
    for (int i = 0; i < ports.size(); ++i) {
        const ProbedDevice *unit = unitOn(ports.at(i), found);
        if (all && !takenByAll(unit))
            continue;
        Taken next{i, unit ? *unit : ProbedDevice()};
        if (!unit) {
            next.unit.portName = portPath(ports.at(i));
            next.unit.unavailable = true;
            next.unit.openError = ENODEV;
        }
        taken.append(next);
    }
    return taken;
}

Decision decide(const ProbedDevice &device, const UnitRules &rules, UnitResult *result, UpdatePlan *plan,
                FirmwareImage *image)
{
    // What the unit said of itself: in its ROM it tells neither its type
    // nor its version ("BL_STM32" is what answered, not a firmware).
    *result = UnitEnd::untouched(device.portName, device.kind, device.inBootloader ? QString() : device.typeCode,
                                 device.versionKnown() ? device.versionText() : QString(), Phrase());
    UnitResult &refused = *result;

    // The type given speaks for STM32 units that cannot tell their type,
    // never for the GS family, whose one image is chosen by family.
    const QString typeCode = device.versionKnown() || isGsFamily(device.kind) ? device.typeCode : rules.typeCode;
    if (device.unavailable) {
        refused.error = unavailableReason(device);
    } else if (!device.isGripper() && !rules.manualReboot) {
        refused.error = withHint(batchText(QT_TRANSLATE_NOOP("Batch", "no gripper answered")), rules.manualRebootHint);
    } else if (device.inBootloader && typeCode.isEmpty()) {
        refused.error = withHint(batchText(QT_TRANSLATE_NOOP("Batch", "found in its ROM bootloader, where it cannot "
                                                                      "tell its type")),
                                 rules.typeHint);
    } else if (!device.isGripper() && typeCode.isEmpty()) {
        refused.error = withHint(batchText(QT_TRANSLATE_NOOP("Batch", "a unit without working firmware cannot tell "
                                                                      "its type")),
                                 rules.typeHint);
    }
    if (!refused.error.isEmpty())
        return Untouched;

    // A gripper that reported its kind keeps it; the others are what the
    // type given says.
    DeviceKind kind = device.kind;
    if (device.inBootloader || !device.isGripper())
        kind = FirmwareChoice::kindForTypeCode(typeCode);
    if (!FirmwareChoice::imageFor(typeCode, kind, rules.images, image, &refused.error)) {
        if (typeCode.isEmpty())
            refused.error = withHint(refused.error, rules.typeHint);
        else if (!rules.imageHint.isEmpty() && !isGsFamily(kind))
            refused.error = withHint(refused.error, rules.imageHint.arg(typeCode));
        return Untouched;
    }
    const Decision decision = refuseOrSkip(device, *image, rules, &refused);
    if (decision != Update)
        return decision;

    *plan = UpdatePlan();
    plan->target.portName = device.portName;
    plan->target.kind = kind;
    plan->target.secondaryUnit = device.secondaryUnit;
    plan->target.inBootloader = device.inBootloader;
    plan->mainImage = image->content;
    plan->entryAttempts = rules.manualReboot ? 0 : kEntryAttempts;
    // By hand, the GS bootloader is waited for as long as the user needs.
    plan->manualPowerCycle = rules.manualReboot;
    return Update;
}

Forecast forecast(const ProbedDevice &device, const UnitRules &rules)
{
    UnitResult result;
    UpdatePlan plan;
    FirmwareImage image;
    Forecast forecast;
    forecast.decision = decide(device, rules, &result, &plan, &image);
    switch (forecast.decision) {
    case Update:
        forecast.imageName = image.name;
        forecast.versionAfter = image.versionText().mid(image.typeCode.size() + 1);
        break;
    case UpToDate:
        forecast.versionAfter = device.versionText().mid(device.typeCode.size() + 1);
        break;
    case Newer:
    case Untouched:
        forecast.reason = result.error;
        break;
    }
    return forecast;
}

} // namespace UnitChoice

void UnitChoice::probeArrival(QThreadPool *pool, QObject *context, const QextPortInfo &info,
                              const std::function<void(const QList<ProbedDevice> &)> &done)
{
    auto *watcher = new QFutureWatcher<QList<ProbedDevice>>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(pool, [info] {
        QThread::msleep(kArrivalSettleMs);
        return PortProbe::identify(info);
    }));
}
