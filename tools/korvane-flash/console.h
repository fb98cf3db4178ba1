#ifndef KORVANE_FLASH_CONSOLE_H
#define KORVANE_FLASH_CONSOLE_H

#include <QList>
#include <QString>
#include <QTimer>

class UnitJob;

// What the user reads on standard output. On a terminal each unit under way
// keeps one line that is redrawn in place as it goes, with finished units'
// result lines printed above them; into a pipe or file, or while the live
// lines do not fit the terminal, every change of step is a plain line of its
// own, so that logs read in order.
class Console : public QObject
{
    Q_OBJECT

public:
    explicit Console(QObject *parent = nullptr);

    bool isTerminal() const { return terminal; }
    void print(const QString &line);
    void follow(UnitJob *job);
    // Prints the result line and drops the unit's live line.
    void finished(UnitJob *job, const QString &resultLine);

private:
    void onChanged(UnitJob *job);
    void redraw();
    void eraseLive();
    void drawLive();
    // Whether one line per unit under way fits the terminal as it is now.
    bool liveFits();
    QString liveLine(const UnitJob *job) const;
    void write(const QString &text);

    bool terminal = false;
    // Standard output went away (the SSH session dropped, the reader of the
    // pipe ended): the units go on without it.
    bool gone = false;
    int columns = 0;
    QList<UnitJob *> live;
    QList<QString> lastStatus;
    int drawnLines = 0;
    bool dirty = false;
    QTimer redrawTimer;
};

#endif
