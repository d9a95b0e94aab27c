#pragma once
// The arithmetic of the clock offset: an SNTP (RFC 4330) request, the checks on a reply, and
// the offset itself. Kept apart from the socket so that every rule can be tested directly.

#include <QByteArray>

inline constexpr int SntpPacketSize = 48;

// A client request (version 4, mode 3) whose transmit time is the given Unix time.
QByteArray sntpRequest(qint64 unixSeconds);

// The server's transmit time of a reply as Unix seconds, or 0 when the reply is not one a
// client may use: shorter than 48 bytes, not a server/broadcast mode, a kiss-of-death
// (stratum 0), an unsynchronised server, or a zero transmit time.
qint64 sntpReplyTime(const QByteArray &reply);

// Whole seconds the local clock is behind the server; 0 when no server time arrived.
qint64 clockOffsetSeconds(qint64 serverUnix, qint64 localUnix);
