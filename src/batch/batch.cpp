#include "batch.h"

#include "korvanelog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent>

#include "qextserialenumerator.h"

#include <algorithm>

Batch::Batch(QObject *parent)
    : QObject(parent)
{
    probePool.setMaxThreadCount(16);
    qRegisterMetaType<UnitResult>();
}

Batch::~Batch()
{
    closeNow();
    qDeleteAll(jobs);
    probePool.waitForDone();
}

UnitJob *Batch::take(const ProbedDevice &device, const UnitRules &rules)
{
    ++unitsTaken;
    UnitResult untouched;
    UpdatePlan plan;
    FirmwareImage image;
    const bool chosen = UnitChoice::choose(device, rules, &untouched, &plan, &image);
    if (chosen && !taking) {
        // Stopped before its turn came: it runs what it ran.
        untouched.result = UnitResult::GivenUp;
        untouched.error = Phrase("Batch", QT_TRANSLATE_NOOP("Batch", "stopped before its update began; nothing was "
                                                                     "written to it"));
    }
    if (!chosen || !taking) {
        record(untouched, nullptr);
        // Told once the caller is back in the event loop: one taking several
        // units at once must not hear "idle" between the first, left
        // untouched, and the next it has yet to take.
        QMetaObject::invokeMethod(this, &Batch::checkIdle, Qt::QueuedConnection);
        return nullptr;
    }
    for (UnitJob *old : qAsConst(jobs)) {
        // One engine per line.
        if (old->port() == device.portName && !old->isRunning()) {
            jobs.removeOne(old);
            old->deleteLater();
            break;
        }
    }
    auto *job = new UnitJob(device, plan, image, this);
    jobs.append(job);
    connect(job, &UnitJob::done, this, [this, job] { onJobDone(job); });
    job->start();
    emit started(job);
    return job;
}

void Batch::end(const UnitResult &result)
{
    record(result, nullptr);
}

void Batch::record(const UnitResult &result, UnitJob *job)
{
    ++counts[result.result];
    qCDebug(lcBatch).noquote() << result.port << UnitResult::resultName(result.result) << result.versionAfter
                               << result.error.english;
    if (result.leftInBootloader) {
        left.append(result.port);
        qCDebug(lcBatch).noquote() << result.port << "left in its ROM";
    }
    QString error;
    if (!reportFile.write(result, &error)) {
        // Said on screen as well; here for the technician reading the log.
        qCDebug(lcBatch).noquote() << result.port << "record lost:" << reportFile.path() << error;
        emit reportLineLost(result.port, error);
    }
    emit ended(result, job);
}

void Batch::onJobDone(UnitJob *job)
{
    record(job->result(), job);
    checkIdle();
}

void Batch::checkIdle()
{
    if (isBusy())
        return;
    if (stopping) {
        stopping = false;
        emit stopped(left);
    }
    emit idle();
}

void Batch::scan(const QList<QextPortInfo> &ports, bool adapters)
{
    startScan([ports] { return ports; }, adapters);
}

void Batch::scanAll(bool adapters)
{
    startScan([] { return UnitChoice::choosePorts(QextSerialEnumerator::getPorts(), {}, true).ports; }, adapters);
}

void Batch::startScan(const std::function<QList<QextPortInfo>()> &listPorts, bool adapters)
{
    if (scanWatcher)
        return;
    // The ports of units under way belong to their engines.
    const QStringList underWay = portsUnderWay();
    scanWatcher = new QFutureWatcher<PortScan>(this);
    connect(scanWatcher, &QFutureWatcherBase::finished, this, &Batch::finishScan);
    scanWatcher->setFuture(QtConcurrent::run(&probePool, [listPorts, underWay, adapters] {
        PortScan scan;
        for (const QextPortInfo &port : listPorts()) {
            if (!underWay.contains(UnitChoice::portPath(port)))
                scan.ports.append(port);
        }
        scan.found = PortProbe::identifyAll(scan.ports);
        QStringList paths;
        for (const QextPortInfo &port : qAsConst(scan.ports))
            paths.append(UnitChoice::portPath(port));
        if (adapters)
            scan.adapterSerials = QextSerialEnumerator::adapterSerials(paths);
        return scan;
    }));
}

void Batch::finishScan()
{
    if (!scanWatcher)
        return;
    QFutureWatcher<PortScan> *watcher = scanWatcher;
    scanWatcher = nullptr;
    watcher->disconnect(this);
    watcher->deleteLater();
    emit scanned(watcher->result());
    checkIdle();
}

void Batch::takeEach(const QList<ProbedDevice> &units, const UnitRules &rules)
{
    const bool waiting = !toTake.isEmpty();
    toTake.append(units);
    takeRules = rules;
    if (!waiting && !toTake.isEmpty())
        QTimer::singleShot(0, this, &Batch::takeNext);
}

void Batch::takeNext()
{
    if (toTake.isEmpty())
        return;
    const ProbedDevice unit = toTake.takeFirst();
    if (!portsUnderWay().contains(unit.portName))
        take(unit, takeRules);
    if (!toTake.isEmpty())
        QTimer::singleShot(0, this, &Batch::takeNext);
}

void Batch::probeArrival(const QextPortInfo &info)
{
    const QString port = UnitChoice::portPath(info);
    if (!taking || probing.contains(port) || portsUnderWay().contains(port))
        return;
    probing.insert(port);
    UnitChoice::probeArrival(&probePool, this, info, [this, port](const QList<ProbedDevice> &found) {
        probing.remove(port);
        if (taking)
            emit arrived(port, found);
        checkIdle();
    });
}

void Batch::watchArrivals(bool on)
{
    if (!on) {
        delete arrivals;
        arrivals = nullptr;
        return;
    }
    if (arrivals)
        return;
    arrivals = new QextSerialEnumerator(this);
    connect(arrivals, &QextSerialEnumerator::deviceDiscovered, this, &Batch::probeArrival);
    connect(arrivals, &QextSerialEnumerator::deviceRemoved, this,
            [this](const QextPortInfo &info) { emit departed(UnitChoice::portPath(info)); });
    arrivals->setUpNotifications();
}

void Batch::stopTaking()
{
    if (taking)
        qCDebug(lcBatch) << "no more units taken";
    taking = false;
}

void Batch::resumeTaking()
{
    if (!taking)
        qCDebug(lcBatch) << "taking units again";
    taking = true;
}

void Batch::stop()
{
    stopTaking();
    toTake.clear();
    clearLeft();
    stopping = true;
    giveUp();
    // Nothing may be under way: stopped() is told all the same.
    QMetaObject::invokeMethod(this, &Batch::checkIdle, Qt::QueuedConnection);
}

QStringList Batch::closeNow()
{
    stopTaking();
    toTake.clear();
    if (scanWatcher) {
        scanWatcher->waitForFinished();
        finishScan();
    }
    return giveUpNow(true);
}

QStringList Batch::closeSafely()
{
    stopTaking();
    toTake.clear();
    giveUpNow(false);
    return unitsInBootloader();
}

void Batch::giveUp()
{
    const QStringList ports = portsUnderWay();
    if (!ports.isEmpty())
        qCDebug(lcBatch).noquote() << "giving up:" << ports.join(QLatin1Char(' '));
    for (UnitJob *job : qAsConst(jobs)) {
        if (job->isRunning())
            job->giveUp();
    }
}

QStringList Batch::giveUpNow()
{
    return giveUpNow(true);
}

QStringList Batch::giveUpNow(bool inRomToo)
{
    QStringList leftNow;
    const QList<UnitJob *> underWay = [this, inRomToo] {
        QList<UnitJob *> list;
        for (UnitJob *job : qAsConst(jobs)) {
            if (job->isRunning() && (inRomToo || !job->inBootloader()))
                list.append(job);
        }
        return list;
    }();
    if (!underWay.isEmpty())
        qCDebug(lcBatch).noquote() << "giving up now:" << portsUnderWay().join(QLatin1Char(' '));
    // All stop at once; each is waited for in turn.
    for (UnitJob *job : underWay)
        job->giveUp();
    for (UnitJob *job : underWay) {
        job->giveUpNow();
        record(job->result(), job);
        if (job->result().leftInBootloader)
            leftNow.append(job->port());
    }
    return leftNow;
}

bool Batch::isBusy() const
{
    return !probing.isEmpty() || scanWatcher || !toTake.isEmpty() || std::any_of(jobs.begin(), jobs.end(), [](const UnitJob *job) { return job->isRunning(); });
}

QStringList Batch::portsUnderWay() const
{
    QStringList ports;
    for (const UnitJob *job : jobs) {
        if (job->isRunning())
            ports.append(job->port());
    }
    return ports;
}

QStringList Batch::unitsInBootloader() const
{
    QStringList ports;
    for (const UnitJob *job : jobs) {
        if (job->isRunning() && job->inBootloader())
            ports.append(job->port());
    }
    return ports;
}

QString Batch::summary() const
{
    static const QPair<UnitResult::Result, const char *> kinds[] = {
        //: The run's count of units (grippers) that ended so, joined as in "3 updated, 1 failed"
        {UnitResult::Updated, QT_TRANSLATE_N_NOOP("Batch", "%n updated")},
        {UnitResult::UpToDate, QT_TRANSLATE_N_NOOP("Batch", "%n up to date")},
        {UnitResult::Refused, QT_TRANSLATE_N_NOOP("Batch", "%n not updated")},
        {UnitResult::Failed, QT_TRANSLATE_N_NOOP("Batch", "%n failed")},
        {UnitResult::GivenUp, QT_TRANSLATE_N_NOOP("Batch", "%n given up")},
    };
    QStringList parts;
    for (const auto &kind : kinds) {
        if (counts.value(kind.first) > 0)
            parts.append(QCoreApplication::translate("Batch", kind.second, nullptr, counts.value(kind.first)));
    }
    //: No unit of the run updated
    QString line = parts.isEmpty() ? QCoreApplication::translate("Batch", "0 updated") : parts.join(QStringLiteral(", "));
    if (reportFile.linesLost() > 0)
        line += QCoreApplication::translate("Batch", "; %n report line(s) not written", nullptr, reportFile.linesLost());
    return line;
}
