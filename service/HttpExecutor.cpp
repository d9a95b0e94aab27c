#include "service/HttpExecutor.h"

#include "service/ServiceConfig.h"
#include "service/ServiceError.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

namespace {

int g_timeoutMs = 30000;

const char *const TransportErrorText = "Brak połączenia z serwerem %1: %2";

// Parsing the system's and the extra certificates costs tens of milliseconds; do it once per
// CA file, not once per request.
QSslConfiguration sslConfiguration()
{
    static QString cachedFor;
    static QSslConfiguration cached;
    static bool ready = false;
    const QString ca = serviceHosts().caFile;
    if (!ready || ca != cachedFor) {
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        if (!ca.isEmpty())
            conf.addCaCertificates(ca, QSsl::Pem);
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        cached = conf;
        cachedFor = ca;
        ready = true;
    }
    return cached;
}

bool isTransportError(QNetworkReply::NetworkError e)
{
    // Codes from 200 up are Qt's names for HTTP statuses (400 is even called a protocol
    // error): the server did answer. Below 200 the connection itself failed, also after a
    // status line had arrived, as when a stalled body is cut off by the time-out.
    return e != QNetworkReply::NoError && int(e) < 200;
}

} // namespace

void setHttpTimeoutMs(int ms)
{
    g_timeoutMs = ms;
}

int httpTimeoutMs()
{
    return g_timeoutMs;
}

QByteArray encodeQuery(const QList<QPair<QString, QString>> &params)
{
    QByteArray q;
    for (const auto &p : params) {
        if (!q.isEmpty())
            q += '&';
        q += QUrl::toPercentEncoding(p.first) + '=' + QUrl::toPercentEncoding(p.second);
    }
    return q;
}

QString transportErrorMessage(const QUrl &url, const QString &error)
{
    const QString host = url.port() > 0 ? url.host() + QLatin1Char(':') + QString::number(url.port())
                                        : url.host();
    return QString::fromUtf8(TransportErrorText).arg(host, error);
}

HttpResponse httpExecute(const HttpRequest &request)
{
    static const bool proxies = [] {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        return true;
    }();
    Q_UNUSED(proxies);

    QNetworkAccessManager manager;
    QNetworkRequest req(request.url);
    req.setTransferTimeout(g_timeoutMs);
    req.setSslConfiguration(sslConfiguration());
    // A redirect would carry the bearer token elsewhere; the service does not send them.
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // HTTP/2 answers carry no reason phrase, and the busy answer is recognised by its
    // "Accepted" text.
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    for (const auto &h : request.headers)
        req.setRawHeader(h.first, h.second);

    QNetworkReply *reply = nullptr;
    if (request.method == "GET" && request.body.isEmpty())
        reply = manager.get(req);
    else
        reply = manager.sendCustomRequest(req, request.method, request.body);

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    HttpResponse r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (reply->isOpen())
        r.body = reply->readAll();
    const QNetworkReply::NetworkError err = reply->error();
    // A stalled body is cut off by the time-out while the status may already read 200.
    if (r.status == 0 || isTransportError(err)) {
        r.transportError = true;
        r.errorText = err == QNetworkReply::OperationCanceledError
            ? QStringLiteral("przekroczony czas oczekiwania na odpowiedź")
            : reply->errorString();
    }
    delete reply;
    return r;
}

HttpResponse httpExecuteOrThrow(const HttpRequest &request)
{
    HttpResponse r = httpExecute(request);
    if (r.transportError)
        throw ServiceError(transportErrorMessage(request.url, r.errorText));
    return r;
}
