// Serial line for Windows. Not built by this project's Linux build and never
// compiled or run here: it is a sketch of the same contract over the Win32
// communications API, kept beside the POSIX file so the port is one file.
#ifdef _WIN32

#include "stbl/transport.h"

#include "stbl/constants.h"

#include <windows.h>

namespace stbl {

namespace {

DWORD millisecondsLeft(Deadline deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? DWORD(left.count()) : 0;
}

// A vanished USB adapter makes ReadFile/WriteFile fail (ERROR_ACCESS_DENIED,
// ERROR_BAD_COMMAND, ERROR_OPERATION_ABORTED...): every failure is final.
class WinTransport : public Transport
{
public:
    explicit WinTransport(HANDLE h) : handle_(h) {}
    ~WinTransport() override { CloseHandle(handle_); }

    IoStatus write(const uint8_t *data, std::size_t size, Deadline deadline) override
    {
        COMMTIMEOUTS t{};
        t.WriteTotalTimeoutConstant = millisecondsLeft(deadline) + 1;
        SetCommTimeouts(handle_, &t);
        DWORD written = 0;
        if (!WriteFile(handle_, data, DWORD(size), &written, nullptr))
            return IoStatus::Error;
        return written == size ? IoStatus::Ok : IoStatus::Timeout;
    }

    IoStatus read(uint8_t *data, std::size_t size, Deadline deadline, std::size_t *got) override
    {
        std::size_t done = 0;
        IoStatus status = IoStatus::Ok;
        while (done < size) {
            const DWORD left = millisecondsLeft(deadline);
            COMMTIMEOUTS t{};
            // Return as soon as anything arrives, or when the deadline passes.
            t.ReadIntervalTimeout = MAXDWORD;
            t.ReadTotalTimeoutMultiplier = MAXDWORD;
            t.ReadTotalTimeoutConstant = left ? left : 1;
            SetCommTimeouts(handle_, &t);
            DWORD n = 0;
            if (!ReadFile(handle_, data + done, DWORD(size - done), &n, nullptr)) {
                status = IoStatus::Error;
                break;
            }
            done += n;
            if (n == 0 && Clock::now() >= deadline) {
                status = IoStatus::Timeout;
                break;
            }
        }
        if (got)
            *got = done;
        return status;
    }

    void discardInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

private:
    HANDLE handle_;
};

} // namespace

bool baudSupported(long baud)
{
    return baud >= 1200 && baud <= 921600;
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
    // Share mode 0 makes the handle exclusive.
    HANDLE h = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    auto transport = std::make_unique<WinTransport>(h);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) {
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    dcb.BaudRate = DWORD(settings.baud);
    dcb.ByteSize = 8;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h, &dcb)) {
        *result = RESULT_BAD_SETTINGS;
        return nullptr;
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    *result = RESULT_OK;
    return transport;
}

} // namespace stbl

#endif // _WIN32
