#include "options.h"

#include "history.h"

#include <QCommandLineParser>
#include <QDir>
#include <QPair>

namespace {

// The options of every command, in the order the help lists them. The
// help and the manual page are both made from these rows; `details` is what
// the manual page says beyond the help's line (English, untranslated).
struct OptionRow
{
    const char *name;
    const char *valueName; // nullptr: a switch
    const char *description;
    const char *details = nullptr;
};
const OptionRow kOptions[] = {
    {"version", nullptr, QT_TRANSLATE_NOOP("Options", "the program's and the carried firmware's versions")},
    {"json", nullptr,
     QT_TRANSLATE_NOOP("Options", "list, plan: one JSON array instead of lines; update, watch: each unit's record as "
                                  "one JSON line, the other lines on standard error; history: the records as they are"),
     "The records of update and watch are the lines a report gets."},
    {"all", nullptr, QT_TRANSLATE_NOOP("Options", "update, plan: every gripper found")},
    {"image", "FILE",
     QT_TRANSLATE_NOOP("Options", "take FILE instead of the carried firmware for the grippers whose type code "
                                  "starts its name (GC3-1.7.0.bin for GC3); may be given once per type"),
     "The image must fit the gripper's flash region."},
    {"type", "CODE",
     QT_TRANSLATE_NOOP("Options", "type code of the grippers that cannot report it: found in their ROM "
                                  "bootloader, or without working firmware (--manual-reboot)")},
    {"force", nullptr, QT_TRANSLATE_NOOP("Options", "also update grippers already on that version, or on a newer one")},
    {"manual-reboot", nullptr,
     QT_TRANSLATE_NOOP("Options", "for grippers without working firmware: wait for the user to switch each unit "
                                  "off and on again instead of asking it to reboot")},
    {"report", "FILE",
     QT_TRANSLATE_NOOP("Options", "append one JSON line per unit to FILE instead of the user's history (history: "
                                  "ask FILE instead of the history)"),
     "Each line holds the time, the port, the kind, the type code, the version before and after, the result, the "
     "seconds of each phase, and the error where the unit was not updated."},
    {"unit", "ID", QT_TRANSLATE_NOOP("Options", "history: only the unit with this ID (24 hex digits)")},
    {"since", "DATE",
     QT_TRANSLATE_NOOP("Options", "history: only records from DATE on, local time (2026-12-08 or 2026-12-08T14:00)")},
    {"lang", "LANGUAGE", QT_TRANSLATE_NOOP("Options", "the language of the messages (fr, de, en)"),
     "Without it, the LANGUAGE variable or the system's. JSON output and report lines stay English."},
};

// The commands, which options each takes, and whether ports follow it. A new
// command is one more row (and its branch in main()).
struct CommandRow
{
    const char *name;
    bool takesPorts;
    QStringList options;
    const char *description;
    const char *details;
};

// Each command's examples, in the order the manual page lists them: a
// command's help shows its own.
struct ExampleRow
{
    const char *command;
    const char *arguments;
    const char *description;
};
const ExampleRow kExamples[] = {
    {"list", "", QT_TRANSLATE_NOOP("Options", "which grippers are attached, on which ports")},
    {"plan", "--all", QT_TRANSLATE_NOOP("Options", "what an update of every gripper would do, writing nothing")},
    {"update", "/dev/ttyUSB0 /dev/ttyUSB1", QT_TRANSLATE_NOOP("Options", "update two grippers at once")},
    {"update", "--all --json > run.jsonl",
     QT_TRANSLATE_NOOP("Options", "update every gripper, one JSON line per unit for a script to read")},
    {"update", "--force --image GC3-1.6.8.bin /dev/ttyUSB0",
     QT_TRANSLATE_NOOP("Options", "put an older firmware back on one gripper")},
    {"watch", "--report bench.jsonl",
     QT_TRANSLATE_NOOP("Options", "update each gripper as it is plugged in, with its line in bench.jsonl")},
    {"history", "--since 2026-12-01", QT_TRANSLATE_NOOP("Options", "the records kept since 1 December, local time")},
    {"help", "plan", QT_TRANSLATE_NOOP("Options", "the options and examples of plan")},
};

// What the program reads of its environment, the files it keeps, and what
// its exit status says.
struct NoteRow
{
    const char *name;
    const char *description;
};
const NoteRow kEnvironment[] = {
    {"LANGUAGE", QT_TRANSLATE_NOOP("Options", "the language of the messages, as for other programs (fr, de); "
                                              "--lang outranks it")},
    {"KORVANE_EXTRA_PORTS",
     QT_TRANSLATE_NOOP("Options", "further serial ports (serial bridges, simulated grippers), as paths separated by "
                                  "colons; on Windows COM names separated by semicolons")},
    {"KORVANE_FLASH_DEBUG",
     QT_TRANSLATE_NOOP("Options", "when set, every diagnostic of the update and of the ports goes to standard error")},
    {"QT_LOGGING_RULES",
     QT_TRANSLATE_NOOP("Options", "without KORVANE_FLASH_DEBUG, the diagnostics to show by category, such as "
                                  "korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, "
                                  "korvane.device)")},
};
// Where the records and logs are: the help names them as this system has
// them; the manual page as Linux has them.
const NoteRow kFiles[] = {
    {"~/.local/share/Korvane/history.jsonl",
     QT_TRANSLATE_NOOP("Options", "the records of every unit updated, kept by korvane-flash, the wizard and the "
                                  "station alike, unless --report names another file")},
    {"~/.local/share/Korvane/logs/",
     QT_TRANSLATE_NOOP("Options", "the diagnostics of the wizard's and the station's sessions; korvane-flash writes "
                                  "its own to standard error")},
};
const NoteRow kExitStatus[] = {
    {"0", QT_TRANSLATE_NOOP("Options", "every unit asked for ended on the new version, or was on it already; plan: "
                                       "the plan is made")},
    {"1", QT_TRANSLATE_NOOP("Options", "a unit did not end on the new version, a report line could not be written, "
                                       "or the records could not be read")},
    {"2", QT_TRANSLATE_NOOP("Options", "a usage error: nothing was sent to any gripper")},
};
const QList<CommandRow> &commands()
{
    static const QList<CommandRow> table = {
        {"list", false, {QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "identify the gripper on every serial port (all ports at once)"),
         "One row per device: port, kind, type code, version, and whether it is in its bootloader. A port another "
         "program holds is shown (in use) and is sent nothing."},
        {"update", true,
         {QStringLiteral("all"), QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"),
          QStringLiteral("manual-reboot"), QStringLiteral("report"), QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "update the grippers on the named ports, or every one found with --all"),
         "All units at once, each on its own port. A gripper already on the carried version is left alone unless "
         "--force. A port that cannot be opened is named with the reason (no access, in use by another program, "
         "gone) and counts as not updated. The last line sums the units up: updated, up to date, not updated, "
         "failed, given up, and report lines that could not be written."},
        {"plan", true,
         {QStringLiteral("all"), QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"),
          QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "say what update would do to each unit, writing nothing to any gripper"),
         "The same choice update makes with the same ports and options: update, up to date, refused or not "
         "updated, with the image, the version after and the reason. Only the ports named are looked into, and "
         "nothing but identification is sent. With --json, the fields of list --json plus action, image, "
         "version_after, reason and line. Exit status 0 once the plan is made, 2 for a usage error."},
        {"watch", false,
         {QStringLiteral("image"), QStringLiteral("type"), QStringLiteral("force"), QStringLiteral("report"),
          QStringLiteral("json")},
         QT_TRANSLATE_NOOP("Options", "wait for grippers to be plugged in and update each as it arrives; Ctrl-C "
                                      "lets the units under way finish, a second Ctrl-C gives them up"),
         "One result line per unit. Units given up each get their report line, and the ports left in their "
         "bootloader (from the moment the gripper confirmed the reboot request) are named. A hang-up stops "
         "nothing; on Windows, closing the console window gives up the units under way in the seconds the system "
         "allows, each with its line."},
        {"history", false, {QStringLiteral("unit"), QStringLiteral("since"), QStringLiteral("json"), QStringLiteral("report")},
         QT_TRANSLATE_NOOP("Options", "which units got what, and when, from the records kept"),
         "One line per record under a header: local time, unit ID, version before and after, result, image, "
         "host and port."},
        {"help", false, {}, QT_TRANSLATE_NOOP("Options", "the options and examples of one command, or this help"),
         nullptr},
    };
    return table;
}

const CommandRow *findCommand(const QString &name)
{
    for (const CommandRow &row : commands()) {
        if (name == QLatin1String(row.name))
            return &row;
    }
    return nullptr;
}

void addOption(QCommandLineParser *parser, const OptionRow &row)
{
    QCommandLineOption option(QLatin1String(row.name), Options::tr(row.description));
    if (row.valueName)
        option.setValueName(QLatin1String(row.valueName));
    parser->addOption(option);
}

// What follows the name of a command that takes more than options.
QString operands(const CommandRow &command)
{
    if (command.takesPorts)
        return QStringLiteral("{PORT... | --all}");
    return qstrcmp(command.name, "help") == 0 ? QStringLiteral("[COMMAND]") : QString();
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
    for (const OptionRow &row : kOptions)
        addOption(parser, row);
}

// One command's help: its line, its ports, and only the options it takes.
void describe(QCommandLineParser *parser, const CommandRow &command)
{
    parser->setApplicationDescription(Options::tr(command.description));
    parser->addPositionalArgument(QLatin1String(command.name), QString(), QLatin1String(command.name));
    if (command.takesPorts)
        parser->addPositionalArgument(QStringLiteral("ports"), Options::tr("update, plan: device paths, as 'list' shows them"),
                                      operands(command));
    else if (!operands(command).isEmpty())
        parser->addPositionalArgument(QStringLiteral("command"), Options::tr("list, update, plan, watch or history"),
                                      operands(command));
    parser->addHelpOption();
    for (const OptionRow &row : kOptions) {
        if (command.options.contains(QLatin1String(row.name)) || qstrcmp(row.name, "lang") == 0)
            addOption(parser, row);
    }
}

// A section of the help in the layout of Qt's own: the name on its line,
// the text below it, indented and wrapped.
QString helpSection(const QString &title, const QList<QPair<QString, QString>> &rows)
{
    const int kWidth = 79;
    const QString indent(6, QLatin1Char(' '));
    QString text = QLatin1Char('\n') + title + QLatin1Char('\n');
    for (const auto &row : rows) {
        text += QLatin1String("  ") + row.first + QLatin1Char('\n');
        QString line = indent;
        for (const QString &word : row.second.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (line.size() > indent.size() && line.size() + 1 + word.size() > kWidth) {
                text += line + QLatin1Char('\n');
                line = indent;
            }
            line += (line.size() > indent.size() ? QLatin1String(" ") : QLatin1String("")) + word;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

template<size_t N>
QList<QPair<QString, QString>> helpRows(const NoteRow (&rows)[N])
{
    QList<QPair<QString, QString>> list;
    for (const NoteRow &row : rows)
        list.append({QLatin1String(row.name), Options::tr(row.description)});
    return list;
}

QString exampleLine(const ExampleRow &row)
{
    return (QStringLiteral("korvane-flash %1 %2").arg(QLatin1String(row.command), QLatin1String(row.arguments)))
        .trimmed();
}

// Text for a manual page: a backslash, a minus sign or a tilde is written
// as roff wants it (groff would print a minus as a hyphen and a tilde as
// an accent, neither of which a shell takes when pasted).
QString roff(const QString &text)
{
    return QString(text)
        .replace(QLatin1Char('\\'), QLatin1String("\\e"))
        .replace(QLatin1Char('-'), QLatin1String("\\-"))
        .replace(QLatin1Char('~'), QLatin1String("\\(ti"));
}
QString roff(const char *text)
{
    return roff(QString::fromUtf8(text));
}

// `.B --json` or `.BI --image " FILE"`.
QString roffOption(const OptionRow &row)
{
    return row.valueName ? QStringLiteral(".BI \\-\\-%1 \" %2\"\n").arg(roff(row.name), QLatin1String(row.valueName))
                         : QStringLiteral(".B \\-\\-%1\n").arg(roff(row.name));
}

// One paragraph: the help's line as a sentence, then the details.
QString roffParagraph(const char *description, const char *details)
{
    QString text = roff(description) + QLatin1Char('.');
    if (details)
        text += QLatin1Char(' ') + roff(details);
    return text + QLatin1Char('\n');
}

// A list of tagged paragraphs, the tag in `font` (B or I).
template<size_t N>
QString roffNotes(const NoteRow (&rows)[N], const char *font)
{
    QString text;
    for (const NoteRow &row : rows)
        text += QStringLiteral(".TP\n.%1 %2\n").arg(QLatin1String(font), roff(row.name))
                + roffParagraph(row.description, nullptr);
    return text;
}

} // namespace

QString Options::manPage(const QString &page)
{
    QString synopsis;
    QString commandList;
    for (const CommandRow &command : commands()) {
        if (!synopsis.isEmpty())
            synopsis += QLatin1String(".br\n");
        synopsis += QStringLiteral(".B korvane\\-flash %1\n").arg(roff(command.name));
        // The ports or --all, never both.
        if (command.takesPorts)
            // "\\&": the dots end no sentence, which roff would follow with two spaces.
            synopsis += QLatin1String(".RI { PORT ...\\&\n.RB \"| \" \\-\\-all }\n");
        else if (!operands(command).isEmpty())
            synopsis += QLatin1String(".RI [ COMMAND ]\n");
        for (const OptionRow &row : kOptions) {
            if (!command.options.contains(QLatin1String(row.name)) || (command.takesPorts && qstrcmp(row.name, "all") == 0))
                continue;
            const QString value = QLatin1String(row.valueName);
            synopsis += row.valueName ? QStringLiteral(".RB [ \\-\\-%1\n.IR %2 ]\n").arg(roff(row.name), value)
                                      : QStringLiteral(".RB [ \\-\\-%1 ]\n").arg(roff(row.name));
        }
        commandList += QStringLiteral(".TP\n.B %1\n").arg(roff(command.name))
                       + roffParagraph(command.description, command.details);
    }
    QString optionList;
    for (const OptionRow &row : kOptions)
        optionList += QLatin1String(".TP\n") + roffOption(row) + roffParagraph(row.description, row.details);
    // Qt's own, as --help lists them.
    optionList += QLatin1String(".TP\n.BR \\-h \", \" \\-\\-help\nthis usage; after a command, that command's "
                                "options only.\n.TP\n.B \\-\\-help\\-all\nthe same as \\-\\-help: korvane\\-flash "
                                "takes none of Qt's own options.\n");
    QString examples;
    for (const ExampleRow &row : kExamples)
        examples += QStringLiteral(".TP\n.B %1\n").arg(roff(exampleLine(row))) + roffParagraph(row.description, nullptr);
    return QString(page)
        .replace(QLatin1String("@SYNOPSIS@\n"), synopsis)
        .replace(QLatin1String("@COMMANDS@\n"), commandList)
        .replace(QLatin1String("@OPTIONS@\n"), optionList)
        .replace(QLatin1String("@ENVIRONMENT@\n"), roffNotes(kEnvironment, "B"))
        .replace(QLatin1String("@FILES@\n"), roffNotes(kFiles, "I"))
        .replace(QLatin1String("@EXIT_STATUS@\n"), roffNotes(kExitStatus, "B"))
        .replace(QLatin1String("@EXAMPLES@\n"), examples);
}

QString Options::usage(const QString &command)
{
    QCommandLineParser parser;
    if (const CommandRow *row = findCommand(command)) {
        describe(&parser, *row);
        QList<QPair<QString, QString>> examples;
        for (const ExampleRow &example : kExamples) {
            if (command == QLatin1String(example.command))
                examples.append({exampleLine(example), tr(example.description)});
        }
        return parser.helpText() + (examples.isEmpty() ? QString() : helpSection(tr("Examples:"), examples));
    }
    describe(&parser);
    // The files where this system keeps them.
    QList<QPair<QString, QString>> files = helpRows(kFiles);
    const QString home = QStringLiteral("~/.local/share/Korvane");
    for (auto &file : files)
        file.first = QDir::toNativeSeparators(file.first.replace(home, History::folder()));
    return parser.helpText() + helpSection(tr("Environment:"), helpRows(kEnvironment))
           + helpSection(tr("Files:"), files) + helpSection(tr("Exit status:"), helpRows(kExitStatus))
           + QLatin1Char('\n') + tr("'korvane-flash help COMMAND' shows the options and examples of one command.")
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
    // Qt lists --help-all beside --help; a console program of Qt Core
    // has none of the options it would add.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        const QStringList positional = parser.positionalArguments();
        options->command = positional.isEmpty() || !findCommand(positional.first()) ? QString() : positional.first();
        return Help;
    }
    if (parser.isSet(QStringLiteral("version")))
        return Version;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *error = tr("no command given");
        return UsageError;
    }
    Options parsed;
    parsed.command = positional.takeFirst();
    const CommandRow *command = findCommand(parsed.command);
    if (!command) {
        *error = tr("unknown command '%1'").arg(parsed.command);
        return UsageError;
    }
    if (parsed.command == QLatin1String("help")) {
        // `help frobnicate` is a usage error, as `frobnicate` is.
        if (positional.size() > 1 || (!positional.isEmpty() && !findCommand(positional.first()))) {
            *error = tr("unknown command '%1'").arg(positional.join(QLatin1Char(' ')));
            return UsageError;
        }
        options->command = positional.value(0);
        return Help;
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
