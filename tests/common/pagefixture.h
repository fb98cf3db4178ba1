#ifndef PAGEFIXTURE_H
#define PAGEFIXTURE_H

#include "communication.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QWizard>

// Replaces the device list with these records and lets the port page
// rebuild its entries, as a rescan would.
inline void setRecords(Communication *comm, const QList<KorvaneDevice *> &records)
{
    for (KorvaneDevice *old : qAsConst(comm->devices))
        comm->retire(old);
    comm->devices = records;
    emit comm->deviceDetected(records.isEmpty() ? nullptr : records.last());
}

// The wizard exactly as the program builds it, with helpers to put records
// into the device list without probing ports.
class WizardFixture
{
public:
    WizardFixture()
    {
        wizard = createUpgraderWizard(&comm);
        wizard->show();
    }
    ~WizardFixture()
    {
        delete wizard;
        delete comm;
    }
    WizardFixture(const WizardFixture &) = delete;
    WizardFixture &operator=(const WizardFixture &) = delete;

    void setRecords(const QList<KorvaneDevice *> &records) { ::setRecords(comm, records); }

    QAbstractButton *nextButton() const { return wizard->button(QWizard::NextButton); }
    QAbstractButton *commitButton() const { return wizard->button(QWizard::CommitButton); }

    QWizard *wizard = nullptr;
    Communication *comm = nullptr;
};

inline KorvaneDevice *makeRecord(const QString &port, const QString &typeCode, DeviceKind kind, int major = 0,
                                 int minor = 0, int patch = 0, bool secondary = false)
{
    const PortSettings settings = {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100};
    auto *device = new KorvaneDevice(port, typeCode, kind, secondary, settings);
    device->major = major;
    device->minor = minor;
    device->patch = patch;
    return device;
}

#endif
