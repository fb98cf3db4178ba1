#include "identification_guards.h"

#include "STBLLIB.h"

BootloaderLineGuard::~BootloaderLineGuard()
{
    close();
}

void BootloaderLineGuard::close()
{
    // Also after a failed COM_Open: a half-opened line must not stay held.
    if (COM_is_Open() != 0)
        COM_Close();
}
