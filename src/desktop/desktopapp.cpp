#include "desktopapp.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

namespace DesktopApp {

void prepare()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

QIcon icon()
{
    QIcon icon;
    const QDir sizes(QStringLiteral(":/images/hicolor"));
    for (const QString &file : sizes.entryList(QDir::Files))
        icon.addFile(sizes.filePath(file));
    return icon;
}

} // namespace DesktopApp
