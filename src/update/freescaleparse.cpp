#include "freescaleparse.h"

#include "freescaleconfig.h"

#include <QRegExp>
#include <QString>

namespace {

const char kProgressDot = '.';
const char *const kStartFailureWord = "Loaded";
const char *const kLoadReportPattern = "Loaded 0x[0-9a-f]{4} Program and 0x[0-9a-f]{4} Data words";

} // namespace

bool holdsReadyMarker(const QByteArray &received)
{
    for (const char *marker : FreescaleConfig::kReadyMarkers) {
        if (received.contains(marker))
            return true;
    }
    return false;
}

FreescaleReading readFreescaleReceived(const QByteArray &received, int stage, qint64 imageSize)
{
    FreescaleReading reading;
    // The bootloader's text ends at a NUL; line noise after it is no report.
    const int zero = received.indexOf('\0');
    const QString text = QString::fromLatin1(zero < 0 ? received : received.left(zero));
    const QRegExp loadReport{QLatin1String(kLoadReportPattern)};
    if (stage == 2 && loadReport.indexIn(text, 0) >= 0) {
        reading.outcome = FreescaleReading::Loaded;
        return reading;
    }
    if (received.contains(kProgressDot))
        reading.outcome = FreescaleReading::Downloading;
    else if (received.contains(kStartFailureWord))
        reading.outcome = FreescaleReading::StartFailure;

    const qint64 dots = received.count(kProgressDot);
    reading.progress = int((dots * 100) / (imageSize / 1000 + 1));
    return reading;
}
