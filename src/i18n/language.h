#ifndef KORVANE_LANGUAGE_H
#define KORVANE_LANGUAGE_H

#include <QString>
#include <QStringList>

class QCoreApplication;

// The language of the three programs' texts and of Qt's own (standard
// buttons, the command line's errors). Qt Core only: korvane-flash uses it.
namespace Language {

// The language asked for: `--lang xx` (or `--lang=xx`) among the arguments,
// else the LANGUAGE variable's first entry, else the system's.
QString chosen(const QStringList &arguments);

// Installs the carried translation and Qt's for that language, where there
// are; English gets only its plural forms. Call once the application object
// exists.
void install(QCoreApplication *app);

} // namespace Language

#endif
