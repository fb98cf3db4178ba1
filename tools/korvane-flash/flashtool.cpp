#include "flashtool.h"

#include "history.h"

#include "qextserialenumerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <functional>
#include <cstdio>

using UnitChoice::announcedUnit;
using UnitChoice::unavailableTag;

namespace {

QString versionOnly(const ProbedDevice &device)
{
    return device.versionKnown() ? device.versionText().mid(device.typeCode.size() + 1) : QString();
}

QString typeCodeTold(const ProbedDevice &device)
{
    return device.inBootloader ? QString() : device.typeCode;
}

QJsonObject listRow(const ProbedDevice &device)
{
    QJsonObject row{
        {QStringLiteral("port"), device.portName},
        {QStringLiteral("kind"), device.unavailable ? QStringLiteral("unavailable") : kindName(device.kind)},
        // In its ROM a unit tells no type code ("BL_STM32" is what answered,
        // not a firmware), as its record says.
        {QStringLiteral("type_code"), typeCodeTold(device)},
        {QStringLiteral("version"), versionOnly(device)},
        {QStringLiteral("in_bootloader"), device.inBootloader},
        {QStringLiteral("secondary"), device.secondaryUnit},
    };
    if (device.unavailable)
        row.insert(QStringLiteral("unavailable"), unavailableTag(device));
    return row;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

FlashTool::FlashTool(Options options, QObject *parent)
    : QObject(parent)
    , options(std::move(options))
{
    rules.typeCode = this->options.typeCode;
    rules.force = this->options.force;
    rules.manualReboot = this->options.manualReboot;
    rules.forceHint = Phrase("FlashTool", QT_TRANSLATE_NOOP("FlashTool", "--force installs it anyway"));
    rules.typeHint = Phrase("FlashTool", QT_TRANSLATE_NOOP("FlashTool", "give --type"));
    rules.imageHint = Phrase("FlashTool", QT_TRANSLATE_NOOP("FlashTool", "give one with --image %1-X.Y.Z.bin"));
    rules.manualRebootHint = Phrase("FlashTool", QT_TRANSLATE_NOOP("FlashTool", "--manual-reboot for a unit without "
                                                                                "working firmware"));
    connect(&batch, &Batch::ended, this, &FlashTool::onEnded);
    connect(&batch, &Batch::started, this, [this](UnitJob *job) {
        console.follow(job);
        if (this->options.manualReboot)
            console.print(tr("%1: switch the unit off, then on again; the update starts when it answers")
                              .arg(job->port()));
    });
    connect(&batch, &Batch::reportLineLost, this, [this](const QString &port, const QString &error) {
        // The report is what a station keeps; a lost line must not pass for
        // a clean run.
        std::fprintf(stderr, "korvane-flash: %s\n",
                     tr("%1: the line for %2 could not be written (%3)")
                         .arg(batch.report().path(), port, error)
                         .toLocal8Bit()
                         .constData());
    });
    connect(&batch, &Batch::arrived, this, &FlashTool::onArrived);
    connect(&batch, &Batch::idle, this, &FlashTool::finishIfIdle);
}

FlashTool::~FlashTool()
{
    // Whatever is still under way ends with its line, not with the console.
    closeNow();
    batch.disconnect(this);
}

bool FlashTool::prepare(QString *error)
{
    QSet<QString> types;
    for (const QString &path : options.imagePaths) {
        FirmwareImage image;
        Phrase problem;
        if (!FirmwareChoice::loadImageFile(path, &image, &problem)) {
            *error = problem.shown;
            return false;
        }
        if (types.contains(image.typeCode)) {
            *error = tr("two images for %1 given").arg(image.typeCode);
            return false;
        }
        types.insert(image.typeCode);
        rules.images.append(image);
    }
    if (!options.typeCode.isEmpty() && FirmwareChoice::kindForTypeCode(options.typeCode) == Unidentified) {
        *error = tr("--type %1: not a gripper type code").arg(options.typeCode);
        return false;
    }
    if (isGsFamily(FirmwareChoice::kindForTypeCode(options.typeCode))) {
        // A GS-family unit names its family itself (its reply or its banner);
        // --type stands in for what an STM32 ROM cannot say.
        *error = tr("--type %1: --type is for the STM32 kinds; a GS-family unit is found as such")
                     .arg(options.typeCode);
        return false;
    }
    // Every unit updated leaves its record: in the report named, else in
    // the user's history.
    if (options.reportPath.isEmpty()
        && (options.command == QLatin1String("update") || options.command == QLatin1String("watch"))) {
        QDir().mkpath(History::folder());
        QString historyError;
        if (batch.report().open(History::path(), &historyError))
            return true;
        // The history is a convenience: without it the units are still
        // updated, and the operator is told that no record is kept.
        std::fprintf(stderr, "korvane-flash: %s\n",
                     qPrintable(tr("%1; no record of this run is kept").arg(historyError)));
    }
    return batch.report().open(options.reportPath, error);
}

int FlashTool::list()
{
    const QList<ProbedDevice> devices = PortProbe::identifyAll(QextSerialEnumerator::getPorts());
    if (options.json) {
        QJsonArray rows;
        for (const ProbedDevice &device : devices)
            rows.append(listRow(device));
        console.print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented)).trimmed());
        return 0;
    }
    // The table is for a person; --json is for scripts.
    console.print(QStringLiteral("%1 %2 %3 %4 %5")
                      .arg(tr("PORT"), -24)
                      .arg(tr("KIND"), -12)
                      .arg(tr("TYPE"), -8)
                      .arg(tr("VERSION"), -9)
                      .arg(tr("BOOTLOADER")));
    // Why a port could not be looked into, by its tag.
    static const QHash<QString, const char *> unavailableWords = {
        {QStringLiteral("no-access"), QT_TR_NOOP("(no access)")},
        {QStringLiteral("in-use"), QT_TR_NOOP("(in use)")},
        {QStringLiteral("gone"), QT_TR_NOOP("(gone)")},
        {QStringLiteral("no-answer"), QT_TR_NOOP("(no answer)")},
        {QStringLiteral("error"), QT_TR_NOOP("(error)")},
    };
    for (const ProbedDevice &device : devices) {
        QString kind = kindName(device.kind);
        if (device.unavailable)
            kind = tr(unavailableWords.value(unavailableTag(device)));
        if (device.secondaryUnit)
            kind += tr(" (via K01)");
        const QString version = versionOnly(device);
        console.print(QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(device.portName, -24)
                          .arg(kind, -12)
                          .arg(typeCodeTold(device).isEmpty() ? QStringLiteral("-") : typeCodeTold(device), -8)
                          .arg(version.isEmpty() ? QStringLiteral("-") : version, -9)
                          .arg(device.inBootloader ? tr("yes") : tr("no")));
    }
    return 0;
}

bool FlashTool::choosePorts(UnitChoice::PortChoice *choice, QString *error) const
{
    *choice = UnitChoice::choosePorts(QextSerialEnumerator::getPorts(), options.ports, options.all);
    if (choice->problem == UnitChoice::PortChoice::NotAPort)
        *error = tr("%1 is not a serial port ('korvane-flash list' shows them)").arg(choice->badName);
    else if (choice->problem == UnitChoice::PortChoice::MachinePort)
        *error = tr("%1 is a serial port of the machine itself, where no gripper is looked for "
                    "('korvane-flash list' shows the gripper ports)").arg(choice->badName);
    return choice->problem == UnitChoice::PortChoice::None;
}

int FlashTool::plan(QString *error)
{
    UnitChoice::PortChoice chosen;
    if (!choosePorts(&chosen, error))
        return 2;
    // Identification only: nothing is written to any unit.
    // The units the run would take, no other: a port --all passes over gets
    // no row, as it gets no line from the run.
    QJsonArray rows;
    for (const UnitChoice::Taken &taken : UnitChoice::unitsTaken(chosen.ports, PortProbe::identifyAll(chosen.ports),
                                                                                 options.all)) {
        const ProbedDevice *unit = &taken.unit;
        // Named on the command line, a port is said as it was named.
        const QString name = chosen.names.at(taken.port);
        const UnitChoice::Forecast forecast = UnitChoice::forecast(*unit, rules);
        const QString before = unit->versionKnown() ? unit->versionText() : kindName(unit->kind);
        QString action;
        // The JSON row keeps the English line; the terminal shows it translated.
        const char *frame = nullptr;
        std::function<QString(const QString &, const QString &)> fill;
        switch (forecast.decision) {
        case UnitChoice::Update:
            action = QStringLiteral("update");
            frame = QT_TR_NOOP("%1: %2 would be updated to %3 (%4)");
            fill = [&](const QString &text, const QString &) {
                return text.arg(name, before, QFileInfo(forecast.imageName).completeBaseName(), forecast.imageName);
            };
            break;
        case UnitChoice::UpToDate:
            action = QStringLiteral("up-to-date");
            frame = QT_TR_NOOP("%1: %2 is up to date, would be left alone");
            fill = [&](const QString &text, const QString &) { return text.arg(name, before); };
            break;
        // Whatever leaves it untouched, the run says "not updated" and records
        // it refused: so does the plan.
        case UnitChoice::Newer:
        case UnitChoice::Untouched:
            action = QStringLiteral("refused");
            frame = QT_TR_NOOP("%1: %2 would not be updated: %3");
            fill = [&](const QString &text, const QString &reason) {
                return text.arg(name, unit->unavailable ? QStringLiteral("-") : before, reason);
            };
            break;
        }
        const QString line = frame ? fill(QString::fromLatin1(frame), forecast.reason.english) : QString();
        QJsonObject row = listRow(*unit);
        row.insert(QStringLiteral("port"), name);
        row.insert(QStringLiteral("action"), action);
        row.insert(QStringLiteral("image"), textOrNull(forecast.imageName));
        row.insert(QStringLiteral("version_after"), textOrNull(forecast.versionAfter));
        row.insert(QStringLiteral("reason"), forecast.reason.english);
        row.insert(QStringLiteral("line"), line);
        rows.append(row);
        if (!options.json && frame)
            console.print(fill(tr(frame), forecast.reason.shown));
    }
    if (options.json)
        console.print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

bool FlashTool::startUpdate(QString *error)
{
    UnitChoice::PortChoice chosen;
    if (!choosePorts(&chosen, error))
        return false;
    // A Ctrl-C pressed while the ports are probed is heard before any unit
    // is started: the operator stopped the run before a byte was written,
    // and each unit ends given up, with its line.
    connect(&batch, &Batch::scanned, this, [this](const PortScan &scan) {
        for (const UnitChoice::Taken &taken : UnitChoice::unitsTaken(scan.ports, scan.found, options.all))
            batch.take(taken.unit, rules);
        if (options.all && batch.taken() == 0) {
            // A station script asking for every gripper wants to hear that
            // there was none.
            console.print(tr("No gripper found."));
            anyUnconfirmed = true;
        }
    });
    batch.scan(chosen.ports, false);
    return true;
}

void FlashTool::startWatch()
{
    watching = true;
    batch.watchArrivals(true);
    console.print(tr("Waiting for grippers to be plugged in; Ctrl-C stops."));
}

void FlashTool::onArrived(const QString &port, const QList<ProbedDevice> &found)
{
    const ProbedDevice *unit = announcedUnit(found);
    if (UnitChoice::takenByAll(unit))
        batch.take(*unit, rules);
    else
        console.print(tr("%1: no gripper answered, left alone").arg(port));
}

void FlashTool::onEnded(const UnitResult &result, UnitJob *job)
{
    if (!result.confirmed())
        anyUnconfirmed = true;
    if (options.json) {
        // The report's line, the moment the unit ends.
        const QByteArray record = result.toJsonLine();
        std::fwrite(record.constData(), 1, size_t(record.size()), stdout);
        std::fflush(stdout);
    }
    QString line = tr("%1: %2").arg(result.port, result.sentence());
    if (result.result == UnitResult::UpToDate)
        line += tr(" (--force updates it anyway)");
    if (job)
        console.finished(job, line);
    else
        console.print(line);
    if (result.leftInBootloader)
        console.print(tr("%1 was left in its bootloader").arg(result.port));
}

void FlashTool::finishIfIdle()
{
    if (batch.isBusy() || (watching && interrupts == 0) || ended)
        return;
    ended = true;
    console.print(batch.summary());
    emit finished(anyUnconfirmed || batch.report().linesLost() > 0 ? 1 : 0);
}

void FlashTool::interrupt()
{
    ++interrupts;
    batch.stopTaking();
    batch.watchArrivals(false);
    // The scan's units end given up, and then the run.
    if (batch.isScanning())
        return;
    if (!batch.isBusy()) {
        finishIfIdle();
        return;
    }
    if (interrupts == 1) {
        console.print(tr("Stopping: %n unit(s) under way finish first; Ctrl-C again gives them up.", nullptr,
                         batch.portsUnderWay().size()));
        return;
    }
    batch.stop();
}

void FlashTool::closeNow()
{
    // Closed while the ports named are probed: the units are not started
    // in the seconds left, but each ends with its line.
    if (!batch.isBusy())
        return;
    ++interrupts;
    batch.closeNow();
    finishIfIdle();
}
