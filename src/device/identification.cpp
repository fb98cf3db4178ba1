#include "communication.h"

// Identification of what answers on a port comes with the device probes.
void Communication::handleNewDevice(QextPortInfo port)
{
    Q_UNUSED(port);
}
