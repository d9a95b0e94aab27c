#pragma once
// The local clock, behind a seam so that tests can fix "now".

#include <QDateTime>
#include <functional>

QDateTime clockNowUtc();
qint64 clockNowUnix(); // whole Unix seconds of the local clock in UTC
void setClockForTest(std::function<QDateTime()> now); // nullptr restores the real clock
