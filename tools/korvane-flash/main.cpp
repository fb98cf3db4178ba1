// korvane-flash: the wizard's update without a window, for many grippers at
// once.

#include "carriedfirmware.h"
#include "flashtool.h"
#include "language.h"
#include "historycommand.h"
#include "options.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

#include <cstdio>

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "korvane-flash: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Language::install(&app);
    // Named in every record this program writes.
    QCoreApplication::setApplicationName(QStringLiteral("korvane-flash"));
    QCoreApplication::setApplicationVersion(QLatin1String(CarriedFirmware::kUpgraderVersion));
    // The engine and the probes write the wizard's diagnostics; they are not
    // for the operator of a production line, unless QT_LOGGING_RULES (which
    // outranks these rules) asks for some: korvane.batch.debug=true.
    if (qEnvironmentVariableIsEmpty("KORVANE_FLASH_DEBUG")) {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type == QtDebugMsg || type == QtInfoMsg)
                std::fprintf(stderr, "%s: ", context.category ? context.category : "default");
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        });
    }

    Options options;
    QString error;
    switch (Options::parse(app.arguments().mid(1), &options, &error)) {
    case Options::Help:
        std::fputs(Options::usage(options.command).toLocal8Bit().constData(), stdout);
        return 0;
    case Options::Version:
    {
        // The images by name, as --image files are named: the designation the
        // wizard's title shows ("GC3---1.6.9") means little on a terminal.
        QStringList carried;
        for (const QString &name : QDir(QStringLiteral(":/firmware/")).entryList(QDir::Files)) {
            if (CarriedFirmware::isMainImage(name))
                carried << name;
        }
        // The first line stays as it is whatever the language: scripts read
        // the version from it.
        const QString images = carried.isEmpty() ? QCoreApplication::translate("main", "none")
                                                 : carried.join(QStringLiteral(", "));
        std::printf("korvane-flash %s\n%s\n", CarriedFirmware::kUpgraderVersion,
                    QCoreApplication::translate("main", "carried firmware: %1").arg(images).toLocal8Bit().constData());
        return 0;
    }
    case Options::UsageError:
        printError(error);
        std::fputs(QCoreApplication::translate("main", "Try 'korvane-flash --help'.\n").toLocal8Bit().constData(), stderr);
        return 2;
    case Options::Run:
        break;
    }
    if (options.command == QLatin1String("history"))
        return runHistory(options);

    // Standard output carries nothing but the records then, for a script
    // to read as they come.
    if (options.json && (options.command == QLatin1String("update") || options.command == QLatin1String("watch")))
        Terminal::useStandardError();
    FlashTool tool(options);
    if (!tool.prepare(&error)) {
        printError(error);
        return 2;
    }
    if (options.command == QLatin1String("list"))
        return tool.list();
    if (options.command == QLatin1String("plan")) {
        const int code = tool.plan(&error);
        if (code == 2)
            printError(error);
        return code;
    }

    // An SSH session that drops hangs up the terminal: the units under way
    // are in the middle of their flash and must finish, and the report must
    // get their lines. Output that has nowhere to go is dropped (Console).
    if (!Terminal::watchInterrupts(&tool, [&tool] { tool.interrupt(); }, [&tool] { tool.closeNow(); })) {
        printError(QCoreApplication::translate("main", "cannot set up Ctrl-C handling"));
        return 1;
    }

    QObject::connect(&tool, &FlashTool::finished, &app, [](int code) { QCoreApplication::exit(code); },
                     Qt::QueuedConnection);
    if (options.command == QLatin1String("watch")) {
        tool.startWatch();
    } else if (!tool.startUpdate(&error)) {
        printError(error);
        return 2;
    }
    return app.exec();
}
