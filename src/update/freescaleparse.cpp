#include "freescaleparse.h"

#include "freescaleconfig.h"

#include <QRegExp>
#include <QString>

namespace {

const char kProgressDot = '.';
const char *const kStartFailureWord = "Loaded";
const char *const kLoadReportPattern = "Loaded 0x[0-9a-f]{4} Program and 0x[0-9a-f]{4} Data words";

} // namespace

QList<QByteArray> usableMarkers(const QList<QByteArray> &candidates)
{
    QList<QByteArray> markers;
    for (const QByteArray &marker : candidates) {
        if (!marker.isEmpty())
            markers.append(marker);
    }
    return markers;
}

QList<QByteArray> readyMarkers()
{
    QList<QByteArray> candidates;
    for (const char *marker : FreescaleConfig::kReadyMarkers)
        candidates.append(QByteArray(marker));
    return usableMarkers(candidates);
}

bool holdsReadyMarker(const QByteArray &received, const QList<QByteArray> &markers)
{
    for (const QByteArray &marker : usableMarkers(markers)) {
        if (received.contains(marker))
            return true;
    }
    return false;
}

Phrase missingMarkerRefusal(const QList<QByteArray> &markers)
{
    if (!usableMarkers(markers).isEmpty())
        return Phrase();
    return Phrase("Update", QT_TRANSLATE_NOOP("Update", "This upgrader cannot tell when the GS gripper's bootloader is "
                                                        "ready: it was built without a ready marker, so nothing is "
                                                        "sent to the gripper."));
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
