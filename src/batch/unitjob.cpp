#include "unitjob.h"

#include "korvanelog.h"
#include "qextserialenumerator.h"

#include <QCoreApplication>
#include <QThread>

UnitJob::UnitJob(const ProbedDevice &device, UpdatePlan plan, FirmwareImage image, QObject *parent)
    : QObject(parent)
    , device(device)
    , image(std::move(image))
    , update(std::make_unique<GripperUpdate>(std::move(plan)))
{
    UnitResult found;
    found.port = device.portName;
    found.kind = kindName(device.kind);
    // A unit found in its ROM is what it was taken for.
    found.typeCode = this->image.typeCode;
    found.versionBefore = device.versionKnown() ? device.versionText() : QString();
    found.setImage(this->image.name, this->image.content);
    end.begin(found, this->image, true);
    GripperUpdate *engine = update.get();
    end.watch(engine);
    // Queued: the engine reports from its own thread.
    connect(engine, &GripperUpdate::phaseChanged, this, &UnitJob::onPhase, Qt::QueuedConnection);
    // The engine reports its progress after every packet; the front end's
    // thread is woken once per percent instead. At 32 units a wake-up per
    // exchange was the most the batch added to each exchange.
    connect(engine, &GripperUpdate::progressChanged, engine,
            [this](int value) {
                if (reportedProgress.exchange(value) == value)
                    return;
                QMetaObject::invokeMethod(this, [this, value] {
                    currentProgress = value;
                    emit changed();
                }, Qt::QueuedConnection);
            },
            Qt::DirectConnection);
    connect(engine, &GripperUpdate::finished, this, [this](GripperUpdate::Outcome outcome) {
        if (!running)
            return;
        conclude(outcome);
        emit done();
    }, Qt::QueuedConnection);
}

UnitJob::~UnitJob()
{
    if (thread) {
        update->cancel();
        thread->wait();
        delete thread;
    }
}

void UnitJob::start()
{
    running = true;
    thread = QThread::create([this] {
        // The system's port list takes milliseconds per call: on the unit's
        // own thread, not the front end's, which may be starting dozens.
        QextSerialEnumerator::adapterOf(device.portName, &adapterPath, &adapterSerial);
        qCDebug(lcBatch).noquote() << device.portName << "taken:" << kindName(device.kind) << device.versionText()
                                   << "->" << image.versionText() << "adapter"
                                   << (adapterPath.isEmpty() ? QStringLiteral("-") : adapterPath)
                                   << (adapterSerial.isEmpty() ? QStringLiteral("-") : adapterSerial);
        outcome = int(update->run());
    });
    thread->start();
}

void UnitJob::giveUp()
{
    update->cancel();
}

void UnitJob::giveUpNow()
{
    if (!running)
        return;
    update->cancel();
    thread->wait();
    conclude(GripperUpdate::Outcome(outcome.load()));
}

void UnitJob::onPhase(GripperUpdate::Phase phase)
{
    if (!running)
        return;
    // Awaiting a power cycle, the engine asks for the reboot again and again
    // until the unit answers: one line says it waits.
    if (phase != loggedPhase
        && !(loggedPhase == GripperUpdate::AwaitingPowerCycle && phase == GripperUpdate::Rebooting)) {
        qCDebug(lcBatch).noquote() << device.portName << phase;
        loggedPhase = phase;
    }
    if (end.enter(phase))
        currentProgress = 0;
    emit changed();
}

void UnitJob::conclude(GripperUpdate::Outcome outcome)
{
    thread->wait();
    running = false;
    end.record().portPath = adapterPath;
    end.record().adapterSerial = adapterSerial;
    end.conclude(outcome, *update, update->versionText());
}
