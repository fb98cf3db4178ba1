#include "flashtool.h"

#include "qextserialenumerator.h"
#include "unitchoice.h"
#include "unitjob.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>

using UnitChoice::announcedUnit;
using UnitChoice::portPath;
using UnitChoice::unavailableTag;

namespace {

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

} // namespace


FlashTool::FlashTool(Options options, QObject *parent)
    : QObject(parent)
    , options(std::move(options))
{
    probePool.setMaxThreadCount(16);
    rules.typeCode = this->options.typeCode;
    rules.force = this->options.force;
    rules.manualReboot = this->options.manualReboot;
}

FlashTool::~FlashTool()
{
    qDeleteAll(jobs);
    probePool.waitForDone();
}

bool FlashTool::prepare(QString *error)
{
    QSet<QString> types;
    for (const QString &path : options.imagePaths) {
        FirmwareImage image;
        if (!FirmwareChoice::loadImageFile(path, &image, error))
            return false;
        if (types.contains(image.typeCode)) {
            *error = QStringLiteral("two images for %1 given").arg(image.typeCode);
            return false;
        }
        types.insert(image.typeCode);
        rules.images.append(image);
    }
    if (!options.typeCode.isEmpty() && FirmwareChoice::kindForTypeCode(options.typeCode) == Unidentified) {
        *error = QStringLiteral("--type %1: not a gripper type code").arg(options.typeCode);
        return false;
    }
    if (isGsFamily(FirmwareChoice::kindForTypeCode(options.typeCode))) {
        // A GS-family unit names its family itself (its reply or its banner);
        // --type stands in for what an STM32 ROM cannot say.
        *error = QStringLiteral("--type %1: --type is for the STM32 kinds; a GS-family unit is found as such")
                     .arg(options.typeCode);
        return false;
    }
    if (!options.reportPath.isEmpty()) {
        report.setFileName(options.reportPath);
        // Unbuffered: a line that cannot be written fails where it is written,
        // and is not written again with the next one.
        if (!report.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered)) {
            *error = QStringLiteral("%1: cannot be opened for appending").arg(options.reportPath);
            return false;
        }
    }
    return true;
}

int FlashTool::list()
{
    const QList<QextPortInfo> ports = QextSerialEnumerator::getPorts();
    const QList<ProbedDevice> devices = PortProbe::identifyAll(ports);
    if (options.json) {
        QJsonArray rows;
        for (const ProbedDevice &device : devices) {
            QJsonObject row{
                {QStringLiteral("port"), device.portName},
                {QStringLiteral("kind"), device.unavailable ? QStringLiteral("unavailable") : kindName(device.kind)},
                {QStringLiteral("type_code"), device.typeCode},
                {QStringLiteral("version"), device.versionKnown() ? device.versionText().mid(device.typeCode.size() + 1)
                                                                  : QString()},
                {QStringLiteral("in_bootloader"), device.inBootloader},
                {QStringLiteral("secondary"), device.secondaryUnit},
            };
            if (device.unavailable)
                row.insert(QStringLiteral("unavailable"), unavailableTag(device));
            rows.append(row);
        }
        console.print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented)).trimmed());
        return 0;
    }
    console.print(QStringLiteral("%1 %2 %3 %4 %5")
                      .arg(QStringLiteral("PORT"), -24)
                      .arg(QStringLiteral("KIND"), -12)
                      .arg(QStringLiteral("TYPE"), -8)
                      .arg(QStringLiteral("VERSION"), -9)
                      .arg(QStringLiteral("BOOTLOADER")));
    for (const ProbedDevice &device : devices) {
        QString kind = kindName(device.kind);
        if (device.unavailable)
            kind = QStringLiteral("(%1)").arg(unavailableTag(device).replace(QLatin1Char('-'), QLatin1Char(' ')));
        if (device.secondaryUnit)
            kind += QStringLiteral(" (via K01)");
        console.print(QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(device.portName, -24)
                          .arg(kind, -12)
                          .arg(device.typeCode.isEmpty() ? QStringLiteral("-") : device.typeCode, -8)
                          .arg(device.versionKnown() ? device.versionText().mid(device.typeCode.size() + 1)
                                                     : QStringLiteral("-"),
                               -9)
                          .arg(device.inBootloader ? QStringLiteral("yes") : QStringLiteral("no")));
    }
    return 0;
}

bool FlashTool::startUpdate(QString *error)
{
    const QList<QextPortInfo> ports = QextSerialEnumerator::getPorts();
    QList<QextPortInfo> chosen;
    QSet<QString> nodes;
    for (const QString &name : options.ports) {
        const QString node = deviceNode(name);
        const auto found = std::find_if(ports.begin(), ports.end(), [&](const QextPortInfo &port) {
            return port.portName == name || port.physName == name || deviceNode(portPath(port)) == node;
        });
        if (found == ports.end()) {
            *error = QStringLiteral("%1 is not a serial port ('korvane-flash list' shows them)").arg(name);
            return false;
        }
        // Two jobs on one port would fight over its line.
        const QString foundNode = deviceNode(portPath(*found));
        if (!nodes.contains(foundNode))
            chosen.append(*found);
        nodes.insert(foundNode);
    }
    if (options.all) {
        for (const QextPortInfo &port : ports) {
            if (port.enumName != QLatin1String("ACPI"))
                chosen.append(port);
        }
    }
    const QList<ProbedDevice> devices = PortProbe::identifyAll(chosen);
    for (const QextPortInfo &port : chosen) {
        QList<ProbedDevice> onPort;
        for (const ProbedDevice &device : devices) {
            if (device.portName == portPath(port))
                onPort.append(device);
        }
        const ProbedDevice *unit = announcedUnit(onPort);
        // --all takes the grippers found, and names the ports it could not
        // look into; a port named is asked for whatever answers there.
        if (options.all && (!unit || (!unit->isGripper() && !unit->unavailable)))
            continue;
        if (unit) {
            take(*unit);
        } else {
            UnitResult gone;
            gone.time = QDateTime::currentDateTimeUtc();
            gone.port = portPath(port);
            gone.result = UnitResult::Refused;
            gone.error = QStringLiteral("the port went away");
            end(gone);
        }
    }
    if (options.all && unitsTaken == 0) {
        // A station script asking for every gripper wants to hear that
        // there was none.
        console.print(QStringLiteral("No gripper found."));
        anyUnconfirmed = true;
    }
    QTimer::singleShot(0, this, &FlashTool::finishIfIdle);
    return true;
}

void FlashTool::startWatch()
{
    watching = true;
    enumerator = new QextSerialEnumerator(this);
    connect(enumerator, &QextSerialEnumerator::deviceDiscovered, this,
            &FlashTool::onPortArrived);
    enumerator->setUpNotifications();
    console.print(QStringLiteral("Waiting for grippers to be plugged in; Ctrl-C stops."));
}

void FlashTool::onPortArrived(const QextPortInfo &info)
{
    const QString port = portPath(info);
    if (interrupts > 0 || probing.contains(port))
        return;
    for (const UnitJob *job : qAsConst(jobs)) {
        if (job->port() == port && job->isRunning())
            return;
    }
    probing.insert(port);
    UnitChoice::probeArrival(&probePool, this, info, [this, port](const QList<ProbedDevice> &found) {
        probing.remove(port);
        const ProbedDevice *unit = announcedUnit(found);
        if (interrupts > 0) {
            finishIfIdle();
        } else if (unit && (unit->isGripper() || unit->unavailable)) {
            take(*unit);
        } else {
            console.print(QStringLiteral("%1: no gripper answered, left alone").arg(port));
        }
    });
}

void FlashTool::take(const ProbedDevice &device)
{
    ++unitsTaken;
    UnitResult refused;
    UpdatePlan plan;
    FirmwareImage image;
    if (!UnitChoice::choose(device, rules, &refused, &plan, &image)) {
        end(refused);
        return;
    }

    auto *job = new UnitJob(device, plan, image);
    jobs.append(job);
    connect(job, &UnitJob::done, this, [this, job] { onJobDone(job); });
    console.follow(job);
    if (options.manualReboot)
        console.print(QStringLiteral("%1: switch the unit off, then on again; the update starts when it answers")
                          .arg(device.portName));
    job->start();
}

void FlashTool::end(const UnitResult &result, UnitJob *job)
{
    if (!result.confirmed())
        anyUnconfirmed = true;
    ++counts[result.result];
    if (report.isOpen()) {
        const QByteArray line = result.toJsonLine();
        if (report.write(line) != line.size() || !report.flush()) {
            // The report is what a station keeps; a lost line must not pass
            // for a clean run.
            ++reportLinesLost;
            std::fprintf(stderr, "korvane-flash: %s: the line for %s could not be written (%s)\n",
                         options.reportPath.toLocal8Bit().constData(), result.port.toLocal8Bit().constData(),
                         report.errorString().toLocal8Bit().constData());
        }
    }
    if (job)
        console.finished(job, resultLine(result));
    else
        console.print(resultLine(result));
}

void FlashTool::onJobDone(UnitJob *job)
{
    const UnitResult result = job->result();
    end(result, job);
    if (result.result == UnitResult::GivenUp && job->pastEntry())
        console.print(QStringLiteral("%1 was left in its bootloader").arg(job->port()));
    finishIfIdle();
}

void FlashTool::finishIfIdle()
{
    const bool busy = std::any_of(jobs.begin(), jobs.end(), [](const UnitJob *job) { return job->isRunning(); });
    if (busy || !probing.isEmpty())
        return;
    if ((watching && interrupts == 0) || ended)
        return;
    ended = true;
    console.print(summary());
    emit finished(anyUnconfirmed || reportLinesLost > 0 ? 1 : 0);
}

QString FlashTool::summary() const
{
    static const QPair<UnitResult::Result, const char *> kinds[] = {
        {UnitResult::Updated, "updated"}, {UnitResult::UpToDate, "up to date"}, {UnitResult::Refused, "not updated"},
        {UnitResult::Failed, "failed"}, {UnitResult::GivenUp, "given up"},
    };
    QStringList parts;
    for (const auto &kind : kinds) {
        if (counts.value(kind.first) > 0)
            parts.append(QStringLiteral("%1 %2").arg(counts.value(kind.first)).arg(QLatin1String(kind.second)));
    }
    QString line = parts.isEmpty() ? QStringLiteral("0 updated") : parts.join(QStringLiteral(", "));
    if (reportLinesLost > 0)
        line += QStringLiteral("; %1 report line(s) not written").arg(reportLinesLost);
    return line;
}

void FlashTool::interrupt()
{
    ++interrupts;
    QStringList running;
    for (UnitJob *job : qAsConst(jobs)) {
        if (job->isRunning())
            running.append(job->port());
    }
    if (running.isEmpty() && probing.isEmpty()) {
        finishIfIdle();
        return;
    }
    if (interrupts == 1) {
        if (enumerator)
            enumerator->disconnect(this);
        console.print(QStringLiteral("Stopping: %1 unit(s) under way finish first; Ctrl-C again gives them up.")
                          .arg(running.size()));
        return;
    }
    for (UnitJob *job : qAsConst(jobs)) {
        if (job->isRunning())
            job->giveUp();
    }
}
