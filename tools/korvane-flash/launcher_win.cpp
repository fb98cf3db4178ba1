// bin\korvane-flash.exe, which the installer may put on PATH: starts the
// korvane-flash.exe one folder up, beside the DLLs and plug-ins it loads,
// with the same arguments, and ends with its exit status. A batch file did
// this before; at Ctrl-C, cmd then asked "Terminate batch job (Y/N)?" and
// took the keys of the second Ctrl-C, which gives the units under way up.
// Kernel32 only, linked statically: bin holds no DLL.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int main()
{
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    std::wstring program(own, length);
    // ...\bin\korvane-flash.exe -> ...\korvane-flash.exe
    const std::size_t bin = program.rfind(L'\\', program.rfind(L'\\') - 1);
    if (bin == std::wstring::npos)
        return 2;
    program = program.substr(0, bin + 1) + L"korvane-flash.exe";

    // The command line as typed, past the launcher's own name (quoted or not).
    const wchar_t *rest = GetCommandLineW();
    const bool quoted = *rest == L'"';
    for (rest += quoted ? 1 : 0; *rest && *rest != (quoted ? L'"' : L' ') && (quoted || *rest != L'\t'); ++rest) {
    }
    if (quoted && *rest)
        ++rest;
    std::wstring command = L"\"" + program + L"\"" + rest;

    // Ctrl-C reaches both processes, which share the console: the program
    // answers it (the first lets the units finish), the launcher waits on.
    SetConsoleCtrlHandler(nullptr, TRUE);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started)) {
        std::fwprintf(stderr, L"korvane-flash: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return 2;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return int(status);
}
