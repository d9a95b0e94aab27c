#include "service/Clock.h"

namespace {
std::function<QDateTime()> &clockOverride()
{
    static std::function<QDateTime()> f;
    return f;
}
} // namespace

QDateTime clockNowUtc()
{
    if (clockOverride())
        return clockOverride()().toUTC();
    return QDateTime::currentDateTimeUtc();
}

qint64 clockNowUnix()
{
    return clockNowUtc().toSecsSinceEpoch();
}

void setClockForTest(std::function<QDateTime()> now)
{
    clockOverride() = std::move(now);
}
