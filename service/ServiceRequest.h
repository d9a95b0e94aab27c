#pragma once
// The one way every REST call is made: a valid token first, then the request, then the
// answer's class turned into a value, a box or a diagnostic entry. Boxes and the diagnostic
// entry are the main window's; they come in through the sink.

#include "service/Resources.h"

#include <QJsonValue>
#include <QVector>
#include <functional>

struct TSkrzynka;
struct HttpResponse;

struct RequestSink
{
    // An information box with OK; caption and text as given.
    std::function<void(const QString &text, const QString &caption)> informationBox;
    // One entry in the message text area.
    std::function<void(const QString &text)> diagnostic;
};

// Sends one request as the method word says ("get" with the query; "post" and "patch" with
// the body as application/json; anything else a bare GET) with the bearer token. Throws
// ServiceError when no HTTP answer arrives.
HttpResponse sendServiceRequest(const QString &url, const QString &token,
                                const TQueryParams &params, const QString &postget,
                                const QString &body);

// The whole call; returns the parsed answer or an undefined value. serviceNow is S.
QJsonValue serviceRequest(TSkrzynka &mbox, qint64 serviceNow, const QString &url,
                          const TQueryParams &params, const QString &postget,
                          const QString &body, const RequestSink &sink);
