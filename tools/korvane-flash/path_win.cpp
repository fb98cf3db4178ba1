// korvane-path.exe, run by the installer and the uninstaller: puts a folder
// on PATH or takes it off again.
//   korvane-path.exe add DIR all|user   appends DIR to the machine's or the user's PATH
//   korvane-path.exe remove DIR         takes every DIR off both
// The installer's own language holds 1024 characters a string here (Debian's
// makensis): a longer PATH read into it comes back empty, and written back
// would lose every folder. This reads and writes the registry value whole,
// whatever its length. Exit status 0 when PATH is as asked (also when it
// already was), 1 when the registry refused, 2 on a wrong command line.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t *const MACHINE = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t *const USER = L"Environment";

// C:\Dir, c:\dir\ and "C:\Dir" name one folder.
std::wstring normal(std::wstring entry)
{
    if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"')
        entry = entry.substr(1, entry.size() - 2);
    while (entry.size() > 3 && (entry.back() == L'\\' || entry.back() == L'/'))
        entry.pop_back();
    CharUpperBuffW(&entry[0], DWORD(entry.size()));
    return entry;
}

std::vector<std::wstring> split(const std::wstring &path)
{
    std::vector<std::wstring> entries;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find(L';', at);
        if (end == std::wstring::npos)
            end = path.size();
        if (end > at)
            entries.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return entries;
}

struct Value
{
    std::wstring text;
    DWORD type = REG_EXPAND_SZ; // what Windows itself writes for PATH
    bool present = false;
};

LSTATUS read(HKEY key, Value *value)
{
    DWORD bytes = 0;
    LSTATUS r = RegQueryValueExW(key, L"Path", nullptr, &value->type, nullptr, &bytes);
    if (r == ERROR_FILE_NOT_FOUND) {
        value->type = REG_EXPAND_SZ;
        return ERROR_SUCCESS;
    }
    if (r != ERROR_SUCCESS)
        return r;
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    r = RegQueryValueExW(key, L"Path", nullptr, &value->type, reinterpret_cast<BYTE *>(data.data()), &bytes);
    if (r != ERROR_SUCCESS)
        return r;
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA; // not ours to rewrite
    value->text = data.data();
    value->present = true;
    return ERROR_SUCCESS;
}

LSTATUS write(HKEY key, const Value &value)
{
    return RegSetValueExW(key, L"Path", 0, value.type, reinterpret_cast<const BYTE *>(value.text.c_str()),
                          DWORD((value.text.size() + 1) * sizeof(wchar_t)));
}

// Changes the PATH under `root\subkey` with `edit`; writes only what changed.
// ERROR_SUCCESS, or the registry's reason.
template <typename Edit>
LSTATUS change(HKEY root, const wchar_t *subkey, Edit edit, bool *changed)
{
    HKEY key = nullptr;
    LSTATUS r = RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (r != ERROR_SUCCESS)
        return r;
    Value value;
    r = read(key, &value);
    if (r == ERROR_SUCCESS) {
        const std::wstring before = value.text;
        edit(&value.text);
        if (value.text != before) {
            r = write(key, value);
            *changed = *changed || r == ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    return r;
}

int fail(const wchar_t *what, LSTATUS r)
{
    std::fwprintf(stderr, L"korvane-path: %ls: error %ld\n", what, long(r));
    return 1;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (argc < 3 || (command == L"add" && (argc != 4 || (std::wstring(argv[3]) != L"all"
                                                         && std::wstring(argv[3]) != L"user")))
        || (command != L"add" && (command != L"remove" || argc != 3))) {
        std::fwprintf(stderr, L"usage: korvane-path add DIR all|user | korvane-path remove DIR\n");
        return 2;
    }
    const std::wstring dir = argv[2];
    const std::wstring wanted = normal(dir);
    bool changed = false;
    int status = 0;
    if (command == L"add") {
        const bool all = std::wstring(argv[3]) == L"all";
        const LSTATUS r = change(all ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, all ? MACHINE : USER,
                                 [&](std::wstring *path) {
                                     for (const std::wstring &entry : split(*path)) {
                                         if (normal(entry) == wanted)
                                             return;
                                     }
                                     if (!path->empty() && path->back() != L';')
                                         *path += L';';
                                     *path += dir;
                                 },
                                 &changed);
        if (r != ERROR_SUCCESS)
            status = fail(all ? L"the machine's PATH" : L"the user's PATH", r);
    } else {
        const auto drop = [&](std::wstring *path) {
            std::wstring kept;
            bool found = false;
            for (const std::wstring &entry : split(*path)) {
                if (normal(entry) == wanted) {
                    found = true;
                    continue;
                }
                kept += (kept.empty() ? L"" : L";") + entry;
            }
            if (found)
                *path = kept;
        };
        // A user who may not write the machine's PATH cannot have put the
        // folder there either.
        LSTATUS r = change(HKEY_LOCAL_MACHINE, MACHINE, drop, &changed);
        if (r != ERROR_SUCCESS && r != ERROR_ACCESS_DENIED && r != ERROR_FILE_NOT_FOUND)
            status = fail(L"the machine's PATH", r);
        r = change(HKEY_CURRENT_USER, USER, drop, &changed);
        if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND)
            status = fail(L"the user's PATH", r);
    }
    // Explorer, and the consoles it starts from now on, read PATH anew.
    if (changed)
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                            SMTO_ABORTIFHUNG, 5000, nullptr);
    LocalFree(argv);
    return status;
}
