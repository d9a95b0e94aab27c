#pragma once
// Service times are UTC; the program shows them in the legal time of Poland whatever zone the
// computer is set to, so the rule is compiled in rather than taken from the system.

#include <QDateTime>
#include <QString>

// Minutes east of UTC in force in Warsaw at the given instant (60 or 120).
int warsawOffsetMinutes(const QDateTime &instant);

// UTC ISO 8601 text -> Warsaw local time "yyyy-MM-ddTHH:mm:ss.zzz+hh:mm". Blank input gives an
// empty string; text that is not an ISO 8601 date-time throws ServiceError.
QString utctowawa(const QString &utcttime);
