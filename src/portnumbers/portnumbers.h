#ifndef KORVANE_PORTNUMBERS_H
#define KORVANE_PORTNUMBERS_H

#include <string>

// The bootloader library and the device probes address a port by number, as
// on Windows where a port is "COM<n>". Elsewhere ports have paths, so the
// serial layer hands every port it lists a number for the life of the process
// and the library turns the number back into the path it opens.
namespace korvane {

// Number of a Windows-style port name: "COM10" -> 10. As on Windows the case
// does not count ("com10", "Com10") and the device namespace may lead
// ("\\.\COM10"). Every "COM" is removed and the rest must be a decimal
// number; 0 when it is not. The one rule for telling COM names apart.
int comNumberFromName(const std::string &portName);

// Number for a port name, as the probes and the bootloader entry use it. On
// Windows this is comNumberFromName. Elsewhere it is the number registered
// for that name, 0 for a name that was never listed.
int portNumberFromName(const std::string &portName);

// Registers a listed port (its name, and the device path to open) and returns
// its number; a name keeps the number it was first given. Windows: the COM
// number.
int registerPortNumber(const std::string &portName, const std::string &devicePath);

// Device path the bootloader library opens for a number, empty when unknown.
std::string devicePathForPortNumber(int number);

} // namespace korvane

#endif
