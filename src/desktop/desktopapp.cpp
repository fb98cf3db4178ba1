#include "desktopapp.h"

#include "language.h"
#include "sessionlog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace DesktopApp {

namespace {

// Before the QApplication exists: scale to the screen's density, at the
// screen's own factor (a 150 % laptop gets 1.5, not 2 rounded up).
void prepare()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

// Returns the exit status when it answered, -1 when the window is to open.
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

} // namespace

int run(int argc, char *argv[], const char *program, const char *version, const char *description,
        const std::function<int()> &window)
{
    prepare();
    const int answered = answerCommandLine(argc, argv, program, version, description);
    if (answered >= 0)
        return answered;
    // Plug-ins come from Qt's own folder and from beside the program (Qt
    // looks there by itself), never from the working directory: started in
    // a folder others can write to, the program would load their code.
    QApplication app(argc, argv);
    Language::install(&app);
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationName(QLatin1String(program));
    QCoreApplication::setApplicationVersion(QLatin1String(version));
    SessionLog::start(QLatin1String(program));
    return window();
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
