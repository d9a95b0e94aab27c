// The main window's service members: the clock offset at start, the token and the one
// request executor. The rules live in the service library; these apply them to the window.

#include "app/MojDBox.h"
#include "app/Tfm_msglist.h"
#include "service/Clock.h"
#include "service/ServiceConfig.h"
#include "service/ServiceError.h"
#include "service/ServiceRequest.h"
#include "service/Sntp.h"
#include "service/SntpClient.h"
#include "service/TokenRequest.h"
#include "storage/fvar.h"

#include <QEventLoop>
#include <QTimer>

namespace {
const char *const TimeRequestFailedText = "Time request failed";
const char *const NoSuchMailboxText = "Nieznana skrzynka (indeks %1).";

TSkrzynka &mailbox(int mbox_idx)
{
    if (mbox_idx < 0 || mbox_idx >= skrzynki.size())
        throw ServiceError(QString::fromUtf8(NoSuchMailboxText).arg(mbox_idx));
    return skrzynki[mbox_idx];
}
} // namespace

int Tfm_msglist::gettimeoffset()
{
    // Input is processed during the wait; a second measurement started from it would nest
    // inside this one and end it early, so it gets no offset of its own.
    if (timeblock)
        return 0;
    ntptime = 0;
    if (!IcsTimeClient1) {
        IcsTimeClient1 = new SntpClient(this);
        IcsTimeClient1->setTimeoutMs(5000);
        QObject::connect(IcsTimeClient1, &SntpClient::timeReceived, this,
                         [this](qint64 t) { IcsTimeClient1Time(t); });
    }
    if (Timer1)
        Timer1->start(5000);
    timeblock = true;
    // Should Timer1 be missing or stopped by someone, the wait still ends.
    QTimer backstop;
    backstop.setSingleShot(true);
    QObject::connect(&backstop, &QTimer::timeout, this, [this] { timeblock = false; });
    backstop.start(6000);
    if (!IcsTimeClient1->requestTime(serviceHosts().ntpHost))
        memoAppend(QString::fromUtf8(TimeRequestFailedText));
    QEventLoop loop;
    while (timeblock)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return int(clockOffsetSeconds(ntptime, clockNowUnix()));
}

void Tfm_msglist::IcsTimeClient1Time(qint64 unixSecondsOrZero)
{
    if (unixSecondsOrZero > 0)
        ntptime = unixSecondsOrZero;
    timeblock = false;
}

void Tfm_msglist::get_mboxtoken(int mbox_idx)
{
    fetchMailboxToken(mailbox(mbox_idx), clockNowUnix() + timeoffset);
}

QJsonValue Tfm_msglist::getrequest(const QString &url, int mbox_idx, const TQueryParams &params,
                                   const QString &postget, const QString &body)
{
    RequestSink sink;
    sink.informationBox = [](const QString &text, const QString &caption) {
        MojDBox(text, caption, mtInformation, mbOK, mbOK);
    };
    sink.diagnostic = [this](const QString &text) { memoAppend(text); };
    return serviceRequest(mailbox(mbox_idx), clockNowUnix() + timeoffset, url, params, postget,
                          body, sink);
}
