#include "service/WarsawTime.h"

#include "service/ServiceError.h"


namespace {

// The last Sunday of a month, at 01:00 UTC: when the EU switches its clocks.
QDateTime lastSundayOneUtc(int year, int month)
{
    QDate d(year, month, QDate(year, month, 1).daysInMonth());
    d = d.addDays(-(d.dayOfWeek() % 7));
    return QDateTime(d, QTime(1, 0), Qt::UTC);
}

} // namespace

int warsawOffsetMinutes(const QDateTime &instant)
{
    const QDateTime utc = instant.toUTC();
    const int year = utc.date().year();
    // Today's EU rule, applied to every year (Poland has followed it since 1996).
    const bool summer = utc >= lastSundayOneUtc(year, 3) && utc < lastSundayOneUtc(year, 10);
    return summer ? 120 : 60;
}

QString utctowawa(const QString &utcttime)
{
    const QString text = utcttime.trimmed();
    if (text.isEmpty())
        return QString();
    QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        throw ServiceError(QStringLiteral("Niepoprawna data: %1").arg(text));
    // The service always writes a zone; a text without one is taken as UTC rather than as
    // whatever zone this computer happens to be in.
    if (parsed.timeSpec() == Qt::LocalTime)
        parsed = QDateTime(parsed.date(), parsed.time(), Qt::UTC);
    const QDateTime utc = parsed.toUTC();
    const int offset = warsawOffsetMinutes(utc);
    const QDateTime local = utc.addSecs(qint64(offset) * 60);
    const QChar sign = offset >= 0 ? QLatin1Char('+') : QLatin1Char('-');
    const int a = qAbs(offset);
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + sign
        + QStringLiteral("%1:%2").arg(a / 60, 2, 10, QLatin1Char('0')).arg(a % 60, 2, 10, QLatin1Char('0'));
}
