#include "pageselectport.h"

#include "communication.h"
#include "korvanedevice.h"
#include "portwait.h"

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
    switch (kind) {
    case GC:
        return QStringLiteral("(C)");
    case GD:
        return QStringLiteral("(D)");
    case GU:
        return QStringLiteral("(U)");
    case GV:
        return QStringLiteral("(V)");
    case CH:
        return QStringLiteral("(H)");
    case GS:
        return QStringLiteral("(S)");
    case K01:
        return QStringLiteral("(K)");
    case GB1:
        return QStringLiteral("(B)");
    case FS:
        return QStringLiteral("(F)");
    case BL_STM32:
        return QStringLiteral("(BL_STM32)");
    case GSX:
        return QStringLiteral("(GSX)");
    default:
        return QString();
    }
}

} // namespace

PageSelectPort::PageSelectPort(QWidget *parent, Communication *comm)
    : QWizardPage(parent)
    , communication(comm)
{
    setTitle(QStringLiteral("Port Selection"));

    instructionLabel = new QLabel(QStringLiteral(
        "Select the COM port to which the gripper is connected. If no port is available, please make sure that the "
        "gripper is powered and connected to the PC via its auxiliary USB port, then click back and next to refresh "
        "the list."));
    instructionLabel->setWordWrap(true);
    deviceList = new QComboBox();
    manualRebootBox = new QCheckBox(QStringLiteral("Manual reboot"));
    manualRebootNote = new QLabel(QStringLiteral(
        "Use the manual reboot option only if there is no firmware on the gripper or if the one currently installed "
        "is corrupt (due to a power or communication loss during a previous update)."));
    manualRebootNote->setWordWrap(true);

    rebootButton = new QPushButton(QStringLiteral("Reboot"));
    connect(rebootButton, SIGNAL(clicked()), this, SLOT(onRebootClicked()));

    scanButton = new QPushButton(QStringLiteral("Scan Devices"));
    connect(scanButton, SIGNAL(clicked()), this, SLOT(on_btnScanPorts_clicked()));

    // Never laid out: kept for the hidden service controls, which still work
    // when driven programmatically.
    autoDetectBox = new QCheckBox(QStringLiteral("Disable auto detect device"));
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
    const int index = field(QStringLiteral("portIndex")).toInt();
    if (communication->devices.isEmpty())
        return 2;
    // The list can lag behind devices while a rescan runs.
    if (index < 0 || index >= communication->devices.size())
        return 2;
    const KorvaneDevice *device = communication->devices.at(index);
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
    if (index < 0 || index >= communication->devices.size())
        return;
    KorvaneDevice *device = communication->devices.at(index);

    communication->close();
    if (!waitUntilClosed(communication, kPortWaitMs)) {
        qDebug().noquote() << "ERREUR PageSelectPort::onRebootClicked: port still open" << device->portName;
        return;
    }
    communication->setPortName(device->portName);
    communication->setQueryMode(QextSerialPort::EventDriven);
    communication->setBaudRate(device->portSettings.BaudRate);
    communication->setDataBits(DATA_8);
    communication->setFlowControl(FLOW_OFF);
    communication->setStopBits(STOP_1);
    communication->setParity(PAR_NONE);
    if (!openAndWait(communication, kPortWaitMs)) {
        // Nothing was sent, so the gripper still runs what it ran: the record
        // stays as it is.
        qDebug().noquote() << "ERREUR PageSelectPort::onRebootClicked: cannot open" << device->portName;
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
