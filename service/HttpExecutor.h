#pragma once
// One synchronous HTTPS exchange. Each call has its own access manager, request and reply;
// the wait runs a local event loop that excludes user input, so the window repaints but no
// user action can start another call meanwhile.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

struct HttpRequest
{
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

struct HttpResponse
{
    int status = 0;         // 0 when no HTTP answer arrived
    QString reason;         // the status text as the server sent it
    QByteArray body;
    bool transportError = false; // no complete HTTP answer: connection, TLS, time-out...
    QString errorText;
};

HttpResponse httpExecute(const HttpRequest &request);

// httpExecute for a user action: a call without an HTTP answer ends the action with a
// ServiceError that names the host and the error.
HttpResponse httpExecuteOrThrow(const HttpRequest &request);

// Transfer time-out of every call; a call that stalls longer fails. Default 30 s.
void setHttpTimeoutMs(int ms);
int httpTimeoutMs();

// Query text with every value percent-encoded except the unreserved characters, so that
// + & = # and the like reach the server as the data they are.
QByteArray encodeQuery(const QList<QPair<QString, QString>> &params);

// The text of the error that ends the user action when a call gets no HTTP answer.
QString transportErrorMessage(const QUrl &url, const QString &error);
