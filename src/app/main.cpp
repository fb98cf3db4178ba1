#include "upgraderwizard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QWizard>

int main(int argc, char *argv[])
{
    QCoreApplication::addLibraryPath(QStringLiteral("."));
    QApplication app(argc, argv);
    QWizard *wizard = createUpgraderWizard();
    wizard->show();
    const int result = app.exec();
    return result;
}
