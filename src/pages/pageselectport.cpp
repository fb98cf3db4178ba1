#include "pageselectport.h"

#include "communication.h"
#include "korvanedevice.h"
#include "portwait.h"
#include "wizardlog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWizard>

namespace {

QString kindSuffix(DeviceKind kind)
{
    const QString letter = kindLetter(kind);
    return letter.isEmpty() ? QString() : QLatin1Char('(') + letter + QLatin1Char(')');
}

} // namespace

PageSelectPort::PageSelectPort(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(tr("Port Selection"));

    instructionLabel = new QLabel(tr(
        "Select the COM port to which the gripper is connected. If no port is available, please make sure that the "
        "gripper is powered and connected to the PC via its auxiliary USB port, then click back and next to refresh "
        "the list."));
    instructionLabel->setWordWrap(true);
    deviceList = new QComboBox();
    manualRebootBox = new QCheckBox(tr("Manual reboot"));
    manualRebootNote = new QLabel(tr(
        "Use the manual reboot option only if there is no firmware on the gripper or if the one currently installed "
        "is corrupt (due to a power or communication loss during a previous update)."));
    manualRebootNote->setWordWrap(true);

    rebootButton = new QPushButton(tr("Reboot"));
    connect(rebootButton, SIGNAL(clicked()), this, SLOT(onRebootClicked()));

    scanButton = new QPushButton(tr("Scan Devices"));
    connect(scanButton, SIGNAL(clicked()), this, SLOT(on_btnScanPorts_clicked()));

    // Never laid out: kept for the hidden service controls, which still work
    // when driven programmatically.
    autoDetectBox = new QCheckBox(tr("Disable auto detect device"));
    connect(autoDetectBox, SIGNAL(clicked(bool)), communication, SLOT(setAutoDetectDisable(bool)));
    connect(autoDetectBox, SIGNAL(clicked(bool)), rebootButton, SLOT(setEnabled(bool)));
    connect(autoDetectBox, SIGNAL(clicked(bool)), this, SLOT(onDisableAutoDetectClicked(bool)));

    auto *layout = new QVBoxLayout();
    layout->addWidget(instructionLabel);
    layout->addWidget(deviceList);
    layout->addWidget(manualRebootBox);
    layout->addWidget(manualRebootNote);
    auto *scanRow = new QHBoxLayout();
    scanRow->addWidget(scanButton, 0, Qt::AlignRight);
    layout->addLayout(scanRow);
    setLayout(layout);

    registerField(QStringLiteral("portIndex*"), deviceList, "currentIndex");
    registerField(QStringLiteral("manualReboot"), manualRebootBox, "checked");

    connect(communication, SIGNAL(deviceDetected(KorvaneDevice*)), this, SLOT(updateDeviceList(KorvaneDevice*)));
    connect(communication, SIGNAL(deviceLost(KorvaneDevice*)), this, SLOT(updateDeviceList(KorvaneDevice*)));
}

PageSelectPort::~PageSelectPort()
{
    // Outside the layout, nothing else would ever free them.
    delete rebootButton;
    delete autoDetectBox;
}

void PageSelectPort::initializePage()
{
    rescan();
}

bool PageSelectPort::isComplete() const
{
    return !scanning && deviceList->currentIndex() >= 0;
}

void PageSelectPort::rescan()
{
    if (scanning)
        return;
    scanning = true;
    // Back and Next would start another scan (or leave while this one still
    // fills the list); the wizard sets them again from isComplete() below.
    QList<QWidget *> held = {scanButton, deviceList, manualRebootBox};
    if (wizard())
        held << wizard()->button(QWizard::BackButton) << wizard()->button(QWizard::NextButton);
    QList<bool> wasEnabled;
    for (QWidget *control : held) {
        wasEnabled << control->isEnabled();
        control->setEnabled(false);
    }
    const bool rebootWasEnabled = rebootButton->isEnabled();
    rebootButton->setEnabled(false);

    delete communication->generateDeviceList();
    updateDeviceList(nullptr);

    scanning = false;
    for (int i = 0; i < 3; ++i)
        held.at(i)->setEnabled(wasEnabled.at(i));
    rebootButton->setEnabled(rebootWasEnabled);
    emit completeChanged();
}

int PageSelectPort::nextId() const
{
    // The list can lag behind devices while a rescan runs.
    const KorvaneDevice *device = communication->deviceAt(field(QStringLiteral("portIndex")).toInt());
    if (!device)
        return 2;
    if (!manualRebootBox->isChecked())
        return 2;
    switch (device->kind) {
    case GC:
    case GD:
    case GU:
    case GV:
    case CH:
    case GS:
    case GSX:
    case GSOther:
        return 3;
    default:
        return 2;
    }
}

void PageSelectPort::updateDeviceList(KorvaneDevice *device)
{
    Q_UNUSED(device);
    deviceList->clear();
    if (communication->devices.isEmpty())
        return;
    int index = 0;
    for (const KorvaneDevice *record : qAsConst(communication->devices)) {
        deviceList->addItem(record->portName + kindSuffix(record->kind));
        deviceList->setItemData(index, QColor(Qt::blue), Qt::ForegroundRole);
        ++index;
    }
}

void PageSelectPort::onRebootClicked()
{
    if (scanning)
        return;
    const int index = field(QStringLiteral("portIndex")).toInt();
    KorvaneDevice *device = communication->deviceAt(index);
    if (!device)
        return;

    if (!reopenPort(communication, device->portName, device->portSettings.BaudRate, FLOW_OFF)) {
        // Nothing was sent, so the gripper still runs what it ran: the record
        // stays as it is.
        qCDebug(lcWizard).noquote() << "ERREUR PageSelectPort::onRebootClicked: cannot open" << device->portName;
        return;
    }
    communication->rebootDevice();

    // A hot-plug notice handled during the waits may have changed the list.
    if (index >= communication->devices.size() || communication->devices.at(index) != device) {
        communication->close();
        return;
    }
    auto *rebooted = new KorvaneDevice(device->portName, QString(), BL_STM32, false, device->portSettings);
    rebooted->inBootloader = false;
    communication->retire(device);
    communication->devices[index] = rebooted;
    communication->close();
}

void PageSelectPort::onDisableAutoDetectClicked(bool checked)
{
    manualRebootBox->setEnabled(!checked);
    if (checked)
        manualRebootBox->setChecked(false);
}

void PageSelectPort::on_btnScanPorts_clicked()
{
    rescan();
}
