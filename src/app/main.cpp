#include "upgraderwizard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QWizard>

int main(int argc, char *argv[])
{
    // Plug-ins come from Qt's own folder and from beside the program (Qt
    // looks there by itself), never from the working directory: started in
    // a folder others can write to, the wizard would load their code.
    QApplication app(argc, argv);
    QWizard *wizard = createUpgraderWizard();
    wizard->show();
    const int result = app.exec();
    return result;
}
