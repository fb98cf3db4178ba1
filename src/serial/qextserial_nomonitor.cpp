#include "qextserial_platform.h"

namespace QextPlatform {

PortMonitor *createPortMonitor(QObject *)
{
    return nullptr;
}

} // namespace QextPlatform
