#include "console.h"

#include "terminal.h"

#include <QCoreApplication>
#include "unitjob.h"

#include <algorithm>
#include <cstdio>

namespace {

// Redrawing at every progress step of eight units would flood a slow SSH
// session; a few times a second reads as live.
const int kRedrawMs = 200;
// Narrower than this a live line shows too little of the step to be worth
// redrawing.
const int kMinLiveColumns = 40;

QString stepWord(const QString &step)
{
    return QCoreApplication::translate("UnitEnd", step.toUtf8().constData());
}

// The longest of the steps' words (UnitJob::step()) in the language shown,
// so that the columns after it stay put as the steps change.
int stepWidth()
{
    static const int width = [] {
        int longest = 0;
        for (const char *step : {QT_TRANSLATE_NOOP("UnitEnd", "reboot"), QT_TRANSLATE_NOOP("UnitEnd", "erase"),
                                 QT_TRANSLATE_NOOP("UnitEnd", "write"), QT_TRANSLATE_NOOP("UnitEnd", "verify")})
            longest = std::max(longest, int(stepWord(QLatin1String(step)).size()));
        return longest;
    }();
    return width;
}

} // namespace

Console::Console(QObject *parent)
    : QObject(parent)
    , terminal(Terminal::isInteractive())
{
    redrawTimer.setInterval(kRedrawMs);
    connect(&redrawTimer, &QTimer::timeout, this, [this] {
        if (dirty)
            redraw();
    });
}

void Console::write(const QString &text)
{
    if (gone)
        return;
    QString error;
    switch (Terminal::writeOut(text, &error)) {
    case Terminal::WriteResult::Written:
        return;
    case Terminal::WriteResult::Failed:
        // Anything but the user gone is said once.
        std::fprintf(stderr, "korvane-flash: standard output: %s; nothing more is shown\n",
                     error.toLocal8Bit().constData());
        break;
    case Terminal::WriteResult::Gone:
        break;
    }
    gone = true;
    redrawTimer.stop();
}

void Console::print(const QString &line)
{
    eraseLive();
    write(line + QLatin1Char('\n'));
    drawLive();
}

void Console::follow(UnitJob *job)
{
    live.append(job);
    lastStatus.append(QString());
    connect(job, &UnitJob::changed, this, [this, job] { onChanged(job); });
    if (terminal && !gone) {
        redraw();
        redrawTimer.start();
    }
}

void Console::onChanged(UnitJob *job)
{
    if (liveFits()) {
        // Only what changed is drawn again, at most a few times a second.
        dirty = true;
        return;
    }
    // From here on plain lines: a block drawn while it fitted goes.
    eraseLive();
    const int index = live.indexOf(job);
    const QString status = UnitEnd::phaseText(job->phase()).shown;
    if (index < 0 || status.isEmpty() || status == lastStatus.at(index))
        return;
    lastStatus[index] = status;
    print(QCoreApplication::translate("FlashTool", "%1: %2")
              .arg(job->port(), status));
}

void Console::finished(UnitJob *job, const QString &resultLine)
{
    const int index = live.indexOf(job);
    eraseLive();
    if (index >= 0) {
        live.removeAt(index);
        lastStatus.removeAt(index);
    }
    write(resultLine + QLatin1Char('\n'));
    drawLive();
    if (live.isEmpty())
        redrawTimer.stop();
}

void Console::redraw()
{
    dirty = false;
    eraseLive();
    drawLive();
}

void Console::eraseLive()
{
    if (drawnLines == 0)
        return;
    // Up to the first live line, then clear to the end of the screen.
    write(QStringLiteral("\x1b[%1A\r\x1b[J").arg(drawnLines));
    drawnLines = 0;
}

bool Console::liveFits()
{
    int rows = 0;
    if (!terminal || gone || !Terminal::size(&columns, &rows))
        return false;
    // The cursor waits on the row below the block: the block must not
    // scroll its own first line away, or the way back up is lost.
    return columns >= kMinLiveColumns && live.size() < rows;
}

void Console::drawLive()
{
    if (live.isEmpty() || !liveFits())
        return;
    QString text;
    for (const UnitJob *job : qAsConst(live))
        text += liveLine(job) + QLatin1Char('\n');
    write(text);
    if (!gone)
        drawnLines = live.size();
}

QString Console::liveLine(const UnitJob *job) const
{
    const QString line = QStringLiteral("%1  %2 %3%  %4")
                             .arg(job->port(), -16)
                             .arg(stepWord(job->step()), -stepWidth())
                             .arg(job->progress(), 3)
                             .arg(UnitEnd::phaseText(job->phase()).shown);
    // A line that fills the last column wraps on some terminals, and a
    // wrapped line throws the cursor arithmetic off.
    return line.left(columns - 1);
}
