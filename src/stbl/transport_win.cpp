// Serial line for Windows, over the Win32 communications API. Built with
// MinGW-w64 and run under Wine by tests/win, against the simulator's
// pseudo-terminal given to Wine as a COM port; not yet run on Windows itself.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// <windows.h> defines PARITY_NONE, PARITY_ODD and PARITY_EVEN as macros
// (COMMPROP flags, 0x0100...0x0400): left in place they replace the
// library's parity codes of constants.h, and every 8E1 request reads as a
// wrong parity. Nothing here uses the COMMPROP flags.
#undef PARITY_NONE
#undef PARITY_ODD
#undef PARITY_EVEN

#include "transport.h"

#include "constants.h"

#include <algorithm>

namespace stbl {

namespace {

// The longest a single ReadFile or WriteFile waits. After a slice with
// nothing moved the port is asked whether it still exists: a removed USB
// adapter does not always fail a read (Wine's hung-up pty never does), it may
// just stay silent until the deadline. A read returns as soon as every byte
// asked for is in, so the slice costs no time on a working line.
constexpr DWORD IO_SLICE_MS = 50;

// The rates the POSIX transport takes: SetCOMSettings answers the same on
// both platforms.
constexpr long BAUD_TABLE[] = {1200,  1800,  2400,   4800,   9600,   19200,
                               38400, 57600, 115200, 230400, 460800, 921600};

// Milliseconds to the deadline, rounded up; 0 once it has passed.
DWORD millisecondsLeft(Deadline deadline)
{
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    const long long ms = (us + 999) / 1000;
    return DWORD(std::min<long long>(ms, MAXDWORD - 1));
}

// ReadFile/WriteFile fail for good once the port is gone (a removed adapter
// gives ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED or
// ERROR_OPERATION_ABORTED; a write to Wine's hung-up pty ERROR_NOT_READY). A serial
// time-out is not a failure: the call succeeds with fewer bytes; a driver
// that reports it as ERROR_SEM_TIMEOUT is taken the same way.
bool isTimeoutError(DWORD error)
{
    return error == ERROR_SEM_TIMEOUT || error == WAIT_TIMEOUT;
}

// Wine opens for a COM port whatever its dosdevices link names: in the tests
// a Linux pseudo-terminal, which carries no parity. Linux drops PARENB from a
// pty's settings and refuses a request in which nothing else changes, so an
// opening that finds the line as the last one left it fails with even parity. Under Wine, and only
// there, such a port is taken without parity, as the POSIX transport takes a
// pty. On Windows a port that refuses 8E1 stays RESULT_BAD_SETTINGS.
bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class WinTransport : public Transport
{
public:
    explicit WinTransport(HANDLE h) : handle_(h) {}
    ~WinTransport() override { CloseHandle(handle_); }

    IoStatus write(const uint8_t *data, std::size_t size, Deadline deadline) override
    {
        std::size_t done = 0;
        while (done < size) {
            const DWORD left = millisecondsLeft(deadline);
            if (left == 0)
                return IoStatus::Timeout;
            if (!setTimeouts(0, readWaitMs_, std::min(left, IO_SLICE_MS)))
                return IoStatus::Error;
            DWORD n = 0;
            const DWORD chunk = DWORD(std::min<std::size_t>(size - done, MAXDWORD));
            if (!WriteFile(handle_, data + done, chunk, &n, nullptr) && !isTimeoutError(GetLastError()))
                return IoStatus::Error;
            done += n;
            if (n == 0 && !portPresent())
                return IoStatus::Error;
        }
        return IoStatus::Ok;
    }

    IoStatus read(uint8_t *data, std::size_t size, Deadline deadline, std::size_t *got) override
    {
        std::size_t done = 0;
        IoStatus status = IoStatus::Ok;
        while (done < size) {
            const DWORD left = millisecondsLeft(deadline);
            // A total time-out alone: ReadFile returns once every byte asked
            // for is in, or when the slice is over with what came so far.
            // Past the deadline, what has already arrived still counts (as
            // on POSIX): an interval time-out of MAXDWORD and no total
            // returns at once with it.
            const bool ok = left > 0 ? setTimeouts(0, std::min(left, IO_SLICE_MS), writeWaitMs_)
                                     : setTimeouts(MAXDWORD, 0, writeWaitMs_);
            if (!ok) {
                status = IoStatus::Error;
                break;
            }
            DWORD n = 0;
            const DWORD chunk = DWORD(std::min<std::size_t>(size - done, MAXDWORD));
            if (!ReadFile(handle_, data + done, chunk, &n, nullptr) && !isTimeoutError(GetLastError())) {
                status = IoStatus::Error;
                break;
            }
            done += n;
            if (done == size)
                break;
            if (left == 0) {
                status = IoStatus::Timeout;
                break;
            }
            if (n == 0 && !portPresent()) {
                status = IoStatus::Error;
                break;
            }
        }
        if (got)
            *got = done;
        return status;
    }

    void discardInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

    // Reads and writes wait at most the given times, no per-byte
    // multiplier. Set only when they change: most calls wait a whole slice.
    bool setTimeouts(DWORD readIntervalMs, DWORD readMs, DWORD writeMs)
    {
        writeMs = std::max<DWORD>(writeMs, 1);
        if (valid_ && readIntervalMs_ == readIntervalMs && readWaitMs_ == readMs && writeWaitMs_ == writeMs)
            return true;
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = readIntervalMs;
        t.ReadTotalTimeoutMultiplier = 0;
        t.ReadTotalTimeoutConstant = readMs;
        t.WriteTotalTimeoutMultiplier = 0;
        t.WriteTotalTimeoutConstant = writeMs;
        valid_ = SetCommTimeouts(handle_, &t) != FALSE;
        readIntervalMs_ = readIntervalMs;
        readWaitMs_ = readMs;
        writeWaitMs_ = writeMs;
        return valid_;
    }

private:
    // A port that has gone away refuses even the status query.
    bool portPresent()
    {
        DWORD errors = 0;
        COMSTAT stat{};
        return ClearCommError(handle_, &errors, &stat) != FALSE;
    }

    HANDLE handle_;
    bool valid_ = false;
    DWORD readIntervalMs_ = 0;
    DWORD readWaitMs_ = IO_SLICE_MS;
    DWORD writeWaitMs_ = IO_SLICE_MS;
};

} // namespace

bool baudSupported(long baud)
{
    return std::find(std::begin(BAUD_TABLE), std::end(BAUD_TABLE), baud) != std::end(BAUD_TABLE);
}

std::unique_ptr<Transport> openSerialTransport(const std::string &devicePath,
                                               const LineSettings &settings, uint8_t *result)
{
    uint8_t dummy;
    if (!result)
        result = &dummy;
    if (!baudSupported(settings.baud) || settings.dataBits != 8 || settings.parity != PARITY_EVEN
        || settings.stopBits != 1.0f) {
        *result = RESULT_BAD_SETTINGS;
        return nullptr;
    }
    // "\\.\COMn": the device namespace, which COM10 and above need; a bare
    // "COM11" is put there. Share mode 0: nobody else opens the port while we
    // hold it (a COM port is exclusive anyway).
    const std::string path = devicePath.rfind("\\\\.\\", 0) == 0 ? devicePath : "\\\\.\\" + devicePath;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    auto transport = std::make_unique<WinTransport>(h);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) {
        // Not a serial port (a file, a printer...).
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    // Room for a whole Read Memory reply and more; a driver may keep its own.
    SetupComm(h, 4096, 4096);
    dcb.BaudRate = DWORD(settings.baud);
    dcb.ByteSize = 8;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // Otherwise one framing or parity error stops all I/O until
    // ClearCommError.
    dcb.fAbortOnError = FALSE;
    // SetCommState takes the whole request or fails.
    bool set = SetCommState(h, &dcb) != FALSE;
    if (!set && runningUnderWine()) {
        dcb.Parity = NOPARITY;
        dcb.fParity = FALSE;
        set = SetCommState(h, &dcb) != FALSE;
    }
    if (!set || !transport->setTimeouts(0, IO_SLICE_MS, IO_SLICE_MS)) {
        *result = RESULT_BAD_SETTINGS;
        return nullptr;
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    *result = RESULT_OK;
    return transport;
}

} // namespace stbl

#endif // _WIN32
