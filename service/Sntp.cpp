#include "service/Sntp.h"

#include <QtEndian>

namespace {
// Seconds from the NTP epoch (1900) to the Unix epoch.
constexpr qint64 NtpToUnix = 2208988800LL;
} // namespace

QByteArray sntpRequest(qint64 unixSeconds)
{
    QByteArray p(SntpPacketSize, '\0');
    p[0] = char((0 << 6) | (4 << 3) | 3); // no leap warning, version 4, client
    const quint32 secs = quint32((unixSeconds + NtpToUnix) & 0xffffffffLL);
    qToBigEndian(secs, reinterpret_cast<uchar *>(p.data()) + 40);
    return p;
}

qint64 sntpReplyTime(const QByteArray &reply)
{
    if (reply.size() < SntpPacketSize)
        return 0;
    const auto *b = reinterpret_cast<const uchar *>(reply.constData());
    const int leap = b[0] >> 6;
    const int mode = b[0] & 7;
    const int stratum = b[1];
    if ((mode != 4 && mode != 5) || stratum == 0 || leap == 3)
        return 0;
    const quint32 secs = qFromBigEndian<quint32>(b + 40);
    const quint32 frac = qFromBigEndian<quint32>(b + 44);
    if (secs == 0 && frac == 0)
        return 0;
    // RFC 4330 section 3: with the top bit clear the time lies in the era after 2036.
    if (secs & 0x80000000u)
        return qint64(secs) - NtpToUnix;
    return qint64(secs) + (0x100000000LL - NtpToUnix);
}

qint64 clockOffsetSeconds(qint64 serverUnix, qint64 localUnix)
{
    return serverUnix > 0 ? serverUnix - localUnix : 0;
}
