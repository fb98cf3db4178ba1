#ifndef QEXTPORTINFO_H
#define QEXTPORTINFO_H

#include <QMetaType>
#include <QString>

// What the enumerator knows of one serial port. enumName tells where the port
// comes from: "USB" for adapters, "ACPI" for the machine's built-in ports
// (never probed), "EXTRA" for paths named by KORVANE_EXTRA_PORTS, and on
// Windows whatever the device manager names ("FTDIBUS", "BTHENUM"...).
struct QextPortInfo
{
    QString portName;   // name the pages show and set on QextSerialPort
    QString physName;   // device path that is opened
    QString friendName; // description from the system, may be empty
    QString enumName;
    int vendorID = 0;
    int productID = 0;
};

Q_DECLARE_METATYPE(QextPortInfo)

#endif
