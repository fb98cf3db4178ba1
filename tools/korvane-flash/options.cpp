#include "options.h"

namespace {

bool takesValue(const QString &option)
{
    return option == QLatin1String("--image") || option == QLatin1String("--report")
           || option == QLatin1String("--type") || option == QLatin1String("--unit")
           || option == QLatin1String("--since");
}

// Which options each command takes.
bool allowed(const QString &command, const QString &option)
{
    if (command == QLatin1String("list"))
        return option == QLatin1String("--json");
    if (command == QLatin1String("history"))
        return option == QLatin1String("--unit") || option == QLatin1String("--since")
               || option == QLatin1String("--json") || option == QLatin1String("--report");
    static const QStringList updating = {QStringLiteral("--image"), QStringLiteral("--report"),
                                         QStringLiteral("--force"), QStringLiteral("--type")};
    if (command == QLatin1String("update"))
        return updating.contains(option) || option == QLatin1String("--all")
               || option == QLatin1String("--manual-reboot");
    if (command == QLatin1String("plan"))
        return option == QLatin1String("--image") || option == QLatin1String("--type")
               || option == QLatin1String("--force") || option == QLatin1String("--all")
               || option == QLatin1String("--json");
    return updating.contains(option);
}

} // namespace

QString Options::usage()
{
    return QStringLiteral(
        "Usage: korvane-flash list [--json]\n"
        "       korvane-flash update [PORT...] [--all] [--image FILE]... [--type CODE] [--force]\n"
        "                            [--manual-reboot] [--report FILE]\n"
        "       korvane-flash plan [PORT...] [--all] [--image FILE]... [--type CODE] [--force] [--json]\n"
        "       korvane-flash watch [--image FILE]... [--type CODE] [--force] [--report FILE]\n"
        "       korvane-flash history [--unit ID] [--since DATE] [--json] [--report FILE]\n"
        "\n"
        "Updates Korvane grippers without a window, several at once.\n"
        "\n"
        "Commands:\n"
        "  list             identify the gripper on every serial port (all ports at once)\n"
        "  update           update the grippers on the named ports, or every one found with --all\n"
        "  plan             say what update would do to each unit, writing nothing to any gripper\n"
        "  watch            wait for grippers to be plugged in and update each as it arrives;\n"
        "                   Ctrl-C lets the units under way finish, a second Ctrl-C gives them up\n"
        "\n"
        "Options:\n"
        "  --json           list, plan: one JSON array instead of lines; history: the records as they are\n"
        "  --all            update, plan: every gripper found\n"
        "  --image FILE     take FILE instead of the carried firmware for the grippers whose type code\n"
        "                   starts its name (GC3-1.7.0.bin for GC3); may be given once per type\n"
        "  --type CODE      type code of the grippers that cannot report it: found in their ROM\n"
        "                   bootloader, or without working firmware (--manual-reboot)\n"
        "  --force          also update grippers already on that version, or on a newer one\n"
        "  --manual-reboot  for grippers without working firmware: wait for the user to switch each\n"
        "                   unit off and on again instead of asking it to reboot\n"
        "  --report FILE    append one JSON line per unit to FILE instead of the user's history\n"
        "                   (history: ask FILE instead of the history)\n"
        "  --unit ID        history: only the unit with this ID (24 hex digits)\n"
        "  --since DATE     history: only records from DATE on (2026-12-08 or 2026-12-08T14:00)\n"
        "  -h, --help       this text\n"
        "  --version        the program's and the carried firmware's versions\n"
        "\n"
        "Ports are device paths, as 'list' shows them; KORVANE_EXTRA_PORTS adds ports.\n"
        "Exit status: 0 when every unit asked for ended on the new version, 1 when any did not\n"
        "(or a report line could not be written), 2 for a usage error; plan: 0 once the plan is made.\n");
}

Options::Action Options::parse(const QStringList &arguments, Options *options, QString *error)
{
    Options parsed;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help"))
            return Help;
        if (argument == QLatin1String("--version"))
            return Version;
        if (parsed.command.isEmpty()) {
            if (argument != QLatin1String("list") && argument != QLatin1String("update")
                && argument != QLatin1String("plan") && argument != QLatin1String("watch")
                && argument != QLatin1String("history")) {
                *error = QStringLiteral("unknown command '%1'").arg(argument);
                return UsageError;
            }
            parsed.command = argument;
            continue;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            if (parsed.command != QLatin1String("update") && parsed.command != QLatin1String("plan")) {
                *error = QStringLiteral("'%1' takes no ports").arg(parsed.command);
                return UsageError;
            }
            if (!parsed.ports.contains(argument))
                parsed.ports.append(argument);
            continue;
        }
        if (!allowed(parsed.command, argument)) {
            *error = QStringLiteral("'%1' is not an option of '%2'").arg(argument, parsed.command);
            return UsageError;
        }
        QString value;
        if (takesValue(argument)) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                *error = QStringLiteral("%1 needs a value").arg(argument);
                return UsageError;
            }
            value = arguments.at(++i);
        }
        if (argument == QLatin1String("--json"))
            parsed.json = true;
        else if (argument == QLatin1String("--all"))
            parsed.all = true;
        else if (argument == QLatin1String("--force"))
            parsed.force = true;
        else if (argument == QLatin1String("--manual-reboot"))
            parsed.manualReboot = true;
        else if (argument == QLatin1String("--image"))
            parsed.imagePaths.append(value);
        else if (argument == QLatin1String("--report"))
            parsed.reportPath = value;
        else if (argument == QLatin1String("--type"))
            parsed.typeCode = value;
        else if (argument == QLatin1String("--unit"))
            parsed.unitId = value;
        else if (argument == QLatin1String("--since"))
            parsed.since = value;
    }
    if (parsed.command.isEmpty()) {
        *error = QStringLiteral("no command given");
        return UsageError;
    }
    if ((parsed.command == QLatin1String("update") || parsed.command == QLatin1String("plan"))
        && parsed.ports.isEmpty() == !parsed.all) {
        *error = parsed.all ? QStringLiteral("give either ports or --all, not both")
                            : QStringLiteral("name the ports to update, or give --all");
        return UsageError;
    }
    if (parsed.manualReboot && parsed.all) {
        // Every port would wait for a power cycle that may never come.
        *error = QStringLiteral("--manual-reboot needs the ports named");
        return UsageError;
    }
    *options = parsed;
    return Run;
}
