#include "options.h"

#include <QCommandLineParser>

namespace {

// The options of every command, in the order the help lists them.
struct OptionRow
{
    const char *name;
    const char *valueName; // nullptr: a switch
    const char *description;
};
const OptionRow kOptions[] = {
    {"json", nullptr,
     QT_TRANSLATE_NOOP("Options", "list, plan: one JSON array instead of lines; history: the records as they are")},
    {"all", nullptr, QT_TRANSLATE_NOOP("Options", "update, plan: every gripper found")},
    {"image", "FILE",
     QT_TRANSLATE_NOOP("Options", "take FILE instead of the carried firmware for the grippers whose type code "
                                  "starts its name (GC3-1.7.0.bin for GC3); may be given once per type")},
    {"type", "CODE",
     QT_TRANSLATE_NOOP("Options", "type code of the grippers that cannot report it: found in their ROM "
                                  "bootloader, or without working firmware (--manual-reboot)")},
    {"force", nullptr, QT_TRANSLATE_NOOP("Options", "also update grippers already on that version, or on a newer one")},
    {"manual-reboot", nullptr,
     QT_TRANSLATE_NOOP("Options", "for grippers without working firmware: wait for the user to switch each unit "
                                  "off and on again instead of asking it to reboot")},
    {"report", "FILE",
     QT_TRANSLATE_NOOP("Options", "append one JSON line per unit to FILE instead of the user's history (history: "
                                  "ask FILE instead of the history)")},
    {"unit", "ID", QT_TRANSLATE_NOOP("Options", "history: only the unit with this ID (24 hex digits)")},
    {"since", "DATE", QT_TRANSLATE_NOOP("Options", "history: only records from DATE on (2026-12-08 or 2026-12-08T14:00)")},
    {"lang", "LANGUAGE", QT_TRANSLATE_NOOP("Options", "the language of the messages (fr, de, en)")},
};

// The commands, which options each takes, and whether ports follow it. A new
// command is one more row (and its branch in main()).
struct CommandRow
{
    const char *name;
    bool takesPorts;
    QStringList options;
    const char *description;
};
const QList<CommandRow> &commands()
{
    static const QList<CommandRow> table = {
        {"list", false, {QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "identify the gripper on every serial port (all ports at once)")},
        {"update", true,
         {QStringLiteral("all"), QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"),
          QStringLiteral("manual-reboot"), QStringLiteral("report")},
         QT_TRANSLATE_NOOP("Options", "update the grippers on the named ports, or every one found with --all")},
        {"plan", true,
         {QStringLiteral("all"), QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"),
          QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "say what update would do to each unit, writing nothing to any gripper")},
        {"watch", false,
         {QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"), QStringLiteral("report")},
         QT_TRANSLATE_NOOP("Options", "wait for grippers to be plugged in and update each as it arrives; Ctrl-C "
                                      "lets the units under way finish, a second Ctrl-C gives them up")},
        {"history", false, {QStringLiteral("unit"), QStringLiteral("since"), QStringLiteral("json"), QStringLiteral("report")},
         QT_TRANSLATE_NOOP("Options", "which units got what, and when, from the records kept")},
    };
    return table;
}

void describe(QCommandLineParser *parser)
{
    QString text = Options::tr("Updates Korvane grippers without a window, several at once.") + QLatin1String("\n\n")
                   + Options::tr("Commands:") + QLatin1Char('\n');
    for (const CommandRow &command : commands())
        text += QStringLiteral("  %1 %2\n").arg(QLatin1String(command.name), -8).arg(Options::tr(command.description));
    parser->setApplicationDescription(text.trimmed());
    parser->addPositionalArgument(QStringLiteral("command"), Options::tr("list, update, plan, watch or history"));
    parser->addPositionalArgument(QStringLiteral("ports"), Options::tr("update, plan: device paths, as 'list' shows them"),
                                  QStringLiteral("[PORT...]"));
    parser->addHelpOption();
    parser->addOption(QCommandLineOption(QStringLiteral("version"),
                                         Options::tr("the program's and the carried firmware's versions")));
    for (const OptionRow &row : kOptions) {
        QCommandLineOption option(QLatin1String(row.name), Options::tr(row.description));
        if (row.valueName)
            option.setValueName(QLatin1String(row.valueName));
        parser->addOption(option);
    }
}

} // namespace

QString Options::usage()
{
    QCommandLineParser parser;
    describe(&parser);
    return parser.helpText() + QLatin1Char('\n')
           + tr("KORVANE_EXTRA_PORTS adds ports. Exit status: 0 when every unit asked for ended on the new version, "
                "1 when any did not (or a report line could not be written), 2 for a usage error; plan: 0 once the "
                "plan is made.")
           + QLatin1Char('\n');
}

Options::Action Options::parse(const QStringList &arguments, Options *options, QString *error)
{
    QCommandLineParser parser;
    describe(&parser);
    if (!parser.parse(QStringList(QStringLiteral("korvane-flash")) + arguments)) {
        *error = parser.errorText();
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        return Help;
    if (parser.isSet(QStringLiteral("version")))
        return Version;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *error = tr("no command given");
        return UsageError;
    }
    Options parsed;
    parsed.command = positional.takeFirst();
    const CommandRow *command = nullptr;
    for (const CommandRow &row : commands()) {
        if (parsed.command == QLatin1String(row.name))
            command = &row;
    }
    if (!command) {
        *error = tr("unknown command '%1'").arg(parsed.command);
        return UsageError;
    }
    for (const QString &name : parser.optionNames()) {
        if (name != QLatin1String("lang") && !command->options.contains(name)) {
            *error = tr("'--%1' is not an option of '%2'").arg(name, parsed.command);
            return UsageError;
        }
    }
    for (const QString &option : {QStringLiteral("image"), QStringLiteral("report"), QStringLiteral("type"),
                                  QStringLiteral("unit"), QStringLiteral("since")}) {
        if (parser.values(option).contains(QString())) {
            *error = tr("--%1 needs a value").arg(option);
            return UsageError;
        }
    }
    if (!positional.isEmpty() && !command->takesPorts) {
        *error = tr("'%1' takes no ports").arg(parsed.command);
        return UsageError;
    }
    for (const QString &port : positional) {
        if (!parsed.ports.contains(port))
            parsed.ports.append(port);
    }
    parsed.json = parser.isSet(QStringLiteral("json"));
    parsed.all = parser.isSet(QStringLiteral("all"));
    parsed.force = parser.isSet(QStringLiteral("force"));
    parsed.manualReboot = parser.isSet(QStringLiteral("manual-reboot"));
    parsed.imagePaths = parser.values(QStringLiteral("image"));
    parsed.reportPath = parser.value(QStringLiteral("report"));
    parsed.typeCode = parser.value(QStringLiteral("type"));
    parsed.unitId = parser.value(QStringLiteral("unit"));
    parsed.since = parser.value(QStringLiteral("since"));

    if (command->takesPorts && parsed.ports.isEmpty() == !parsed.all) {
        *error = parsed.all ? tr("give either ports or --all, not both") : tr("name the ports to update, or give --all");
        return UsageError;
    }
    if (parsed.manualReboot && parsed.all) {
        // Every port would wait for a power cycle that may never come.
        *error = tr("--manual-reboot needs the ports named");
        return UsageError;
    }
    *options = parsed;
    return Run;
}
