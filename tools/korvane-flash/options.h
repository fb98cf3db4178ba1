#ifndef KORVANE_FLASH_OPTIONS_H
#define KORVANE_FLASH_OPTIONS_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The command line of korvane-flash.
struct Options
{
    Q_DECLARE_TR_FUNCTIONS(Options)

public:
    enum Action { Run, Help, Version, UsageError };

    QString command; // list, update, plan, watch, history
    QStringList ports;
    bool all = false;
    bool json = false;
    bool force = false;
    bool manualReboot = false;
    QStringList imagePaths;
    QString reportPath;
    // What a gripper is when it cannot say so itself.
    QString typeCode;
    // history: which unit, from when.
    QString unitId;
    QString since;

    // Fills `options` from the arguments after the program name; on a usage
    // error `error` says what is wrong.
    static Action parse(const QStringList &arguments, Options *options, QString *error);
    // The whole help, or one command's (`plan --help`).
    static QString usage(const QString &command = QString());
    // The manual page: `page` with its @SYNOPSIS@, @COMMANDS@ and @OPTIONS@
    // lines made from the same rows as the help, in English.
    static QString manPage(const QString &page);
};

#endif
