// Writes korvane-flash's manual page at build time: the prose of a template
// around the commands and options of the program's own tables, so that the
// page and --help cannot tell different stories.
//   korvane-flash-manpage TEMPLATE OUTPUT

#include "options.h"

#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fputs("usage: korvane-flash-manpage TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QString why = in.isOpen() ? out.errorString() : in.errorString();
        std::fprintf(stderr, "korvane-flash-manpage: %s\n", qPrintable(why));
        return 1;
    }
    const QByteArray page = Options::manPage(QString::fromUtf8(in.readAll())).toUtf8();
    return out.write(page) == page.size() && out.flush() ? 0 : 1;
}
