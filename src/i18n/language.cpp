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
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return;
    // The translators live as long as the application: both end with main().
    auto *own = new QTranslator(app);
    if (own->load(locale, QStringLiteral("korvane"), QStringLiteral("_"), QStringLiteral(":/translations")))
        QCoreApplication::installTranslator(own);
    auto *qt = new QTranslator(app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

} // namespace Language
