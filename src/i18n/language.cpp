#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Language {

QString chosen(const QStringList &arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--lang") && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (argument.startsWith(QLatin1String("--lang=")))
            return argument.mid(7);
    }
    // As gettext reads it: a list by preference, "fr:de".
    const QString listed = qEnvironmentVariable("LANGUAGE").section(QLatin1Char(':'), 0, 0);
    return listed.isEmpty() ? QLocale::system().name() : listed;
}

void install(QCoreApplication *app)
{
    const QLocale locale(chosen(app->arguments()));
    const bool english = locale.language() == QLocale::English || locale.language() == QLocale::C;
    // The translators live as long as the application: both end with main().
    // English has a file too, with only its plural forms ("1 unit", "2
    // units"); a language without one of its own gets those.
    auto *own = new QTranslator(app);
    const QString folder = QStringLiteral(":/translations");
    if ((!english && own->load(locale, QStringLiteral("korvane"), QStringLiteral("_"), folder))
        || own->load(QStringLiteral("korvane_en"), folder))
        QCoreApplication::installTranslator(own);
    if (english)
        return;
    // Qt's own words (Next, Cancel, the command line's errors): where the
    // system keeps Qt's translations, else in the folder the Windows
    // installer puts beside the programs, whose Qt has no such place.
    auto *qt = new QTranslator(app);
    for (const QString &qtFolder : {QLibraryInfo::location(QLibraryInfo::TranslationsPath),
                                    QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), qtFolder)) {
            QCoreApplication::installTranslator(qt);
            return;
        }
    }
    delete qt;
}

} // namespace Language
