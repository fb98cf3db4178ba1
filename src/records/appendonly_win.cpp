#include "appendonly.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// <windows.h> defines PARITY_NONE, PARITY_ODD and PARITY_EVEN as macros: in
// a unity build the files after this one would see them replace the
// bootloader library's parity codes (constants.h, through unitend.h) and not
// compile. Nothing here uses them.
#undef PARITY_NONE
#undef PARITY_ODD
#undef PARITY_EVEN

namespace AppendOnly {

bool open(QFile *file, const QString &path)
{
    file->setFileName(path);
    // Qt opens for appending with a plain write handle and moves to the end
    // once, at the open: a line another program appends later is then
    // written over. A handle with FILE_APPEND_DATA and no FILE_WRITE_DATA
    // writes at the end of the file, each time.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), FILE_APPEND_DATA | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // Qt's own open, for the system's word on why; never its handle.
        if (file->open(QIODevice::WriteOnly | QIODevice::Append))
            file->close();
        return false;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_APPEND | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return false;
    }
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return false;
    }
    return true;
}

QByteArray lineEnd()
{
    return QByteArrayLiteral("\r\n");
}

} // namespace AppendOnly
