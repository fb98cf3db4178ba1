#include "portnumbers.h"

#include <cctype>
#include <map>
#include <mutex>

namespace korvane {

int comNumberFromName(const std::string &portName)
{
    // Windows takes port names in any case, and in its device namespace.
    std::string name = portName;
    if (name.compare(0, 4, "\\\\.\\") == 0)
        name.erase(0, 4);
    std::string rest;
    for (std::size_t i = 0; i < name.size();) {
        if (i + 3 <= name.size() && std::toupper(static_cast<unsigned char>(name[i])) == 'C'
            && std::toupper(static_cast<unsigned char>(name[i + 1])) == 'O'
            && std::toupper(static_cast<unsigned char>(name[i + 2])) == 'M') {
            i += 3;
        } else {
            rest += name[i++];
        }
    }
    if (rest.empty() || rest.size() > 9)
        return 0;
    int value = 0;
    for (char c : rest) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

#ifdef _WIN32
int portNumberFromName(const std::string &portName)
{
    return comNumberFromName(portName);
}

int registerPortNumber(const std::string &portName, const std::string &)
{
    return comNumberFromName(portName);
}

std::string devicePathForPortNumber(int number)
{
    return number > 0 ? "\\\\.\\COM" + std::to_string(number) : std::string();
}
#else
namespace {

// Elsewhere a port's number is handed out when it is listed.
struct Table
{
    std::mutex mutex;
    std::map<std::string, int> byName;
    std::map<int, std::string> pathByNumber;
};

Table &table()
{
    static Table instance;
    return instance;
}

} // namespace

int portNumberFromName(const std::string &portName)
{
    Table &t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.byName.find(portName);
    return it == t.byName.end() ? 0 : it->second;
}

int registerPortNumber(const std::string &portName, const std::string &devicePath)
{
    if (portName.empty())
        return 0;
    Table &t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.byName.find(portName);
    if (it != t.byName.end()) {
        // A port that went away and came back may sit at another path now.
        t.pathByNumber[it->second] = devicePath;
        return it->second;
    }
    const int number = static_cast<int>(t.byName.size()) + 1;
    t.byName.emplace(portName, number);
    t.pathByNumber.emplace(number, devicePath);
    return number;
}

std::string devicePathForPortNumber(int number)
{
    Table &t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.pathByNumber.find(number);
    return it == t.pathByNumber.end() ? std::string() : it->second;
}
#endif

} // namespace korvane
