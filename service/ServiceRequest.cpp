#include "service/ServiceRequest.h"

#include "service/AnswerClass.h"
#include "service/HttpExecutor.h"
#include "service/TokenRequest.h"
#include "storage/fvar.h"

HttpResponse sendServiceRequest(const QString &url, const QString &token,
                                const TQueryParams &params, const QString &postget,
                                const QString &body)
{
    HttpRequest req;
    req.url = QUrl(url);
    if (postget == QLatin1String("get")) {
        const QByteArray q = encodeQuery(params);
        if (!q.isEmpty())
            req.url.setQuery(QString::fromLatin1(q), QUrl::StrictMode);
    } else if (postget == QLatin1String("post") || postget == QLatin1String("patch")) {
        req.method = postget == QLatin1String("post") ? "POST" : "PATCH";
        req.body = body.toUtf8();
        req.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    }
    req.headers.append(qMakePair(QByteArray("Authorization"), "Bearer " + token.toUtf8()));
    const HttpResponse r = httpExecuteOrThrow(req);
    return r;
}

QJsonValue serviceRequest(TSkrzynka &mbox, qint64 serviceNow, const QString &url,
                          const TQueryParams &params, const QString &postget,
                          const QString &body, const RequestSink &sink)
{
    if (mbox.token_exp < serviceNow || mbox.token.isEmpty())
        fetchMailboxToken(mbox, serviceNow);
    const HttpResponse r = sendServiceRequest(url, mbox.token, params, postget, body);
    const AnswerClass c = classifyAnswer(r.status, r.reason, r.body);
    switch (c.kind) {
    case AnswerKind::Json:
        return c.value;
    case AnswerKind::Busy:
        if (sink.informationBox)
            sink.informationBox(c.text, QString::fromUtf8(BusyCaption));
        break;
    case AnswerKind::SameFolder:
        if (sink.informationBox)
            sink.informationBox(c.text, QString::fromUtf8(ErrorCaption));
        break;
    case AnswerKind::Diagnostic:
        if (sink.diagnostic)
            sink.diagnostic(c.text);
        break;
    }
    return QJsonValue(QJsonValue::Undefined);
}
