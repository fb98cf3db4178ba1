#include "desktopapp.h"

#include "language.h"
#include "sessionlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace DesktopApp {

void prepare()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

int answerCommandLine(int argc, char *argv[], const char *program, const char *version, const char *description)
{
    // Only for reading the arguments and the translations; gone before the
    // QApplication, which would want a display.
    QCoreApplication app(argc, argv);
    Language::install(&app);
    QCommandLineParser parser;
    // -platform, -style: one word each, Qt's, not -p -l -a...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QCoreApplication::translate("DesktopApp", description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(QStringLiteral("lang"),
                                        QCoreApplication::translate("Options", "the language of the messages (fr, de, en)"),
                                        QStringLiteral("LANGUAGE")));
    const bool parsed = parser.parse(app.arguments());
    if (!parsed && parser.unknownOptionNames().isEmpty()) {
        // --lang without its value.
        std::fprintf(stderr, "%s: %s\n", program, qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", program, version);
        return 0;
    }
    return -1;
}

void begin(QCoreApplication *app, const char *program, const char *version)
{
    Language::install(app);
    QCoreApplication::setApplicationName(QLatin1String(program));
    QCoreApplication::setApplicationVersion(QLatin1String(version));
    SessionLog::start(QLatin1String(program));
}

QIcon icon(const QString &sizes)
{
    QIcon icon;
    const QDir folder(sizes);
    for (const QString &file : folder.entryList(QDir::Files))
        icon.addFile(folder.filePath(file));
    return icon;
}

} // namespace DesktopApp
