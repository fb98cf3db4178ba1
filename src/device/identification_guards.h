#ifndef IDENTIFICATION_GUARDS_H
#define IDENTIFICATION_GUARDS_H


// Identification may return from many places, and a line it leaves open
// blocks the gripper for every later probe and for the download.

// The bootloader library's one line, opened by COM_Open().
class BootloaderLineGuard
{
public:
    BootloaderLineGuard() = default;
    ~BootloaderLineGuard();
    BootloaderLineGuard(const BootloaderLineGuard &) = delete;
    BootloaderLineGuard &operator=(const BootloaderLineGuard &) = delete;

    // Closes the line now, if the library holds it open.
    void close();
};

#endif
