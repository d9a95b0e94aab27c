#pragma once
// How an answer of the REST API is classified: the busy server, the move into the folder the
// message is already in, a JSON result, and every other answer, which becomes one diagnostic
// entry. First match wins.

#include <QByteArray>
#include <QJsonValue>
#include <QString>

enum class AnswerKind { Busy, SameFolder, Json, Diagnostic };

struct AnswerClass
{
    AnswerKind kind = AnswerKind::Diagnostic;
    QJsonValue value{QJsonValue::Undefined}; // the parsed body for Json, undefined otherwise
    QString text;     // the box text (Busy, SameFolder) or the diagnostic entry
};

AnswerClass classifyAnswer(int status, const QString &reason, const QByteArray &body);

extern const char *const BusyCaption;     // "Serwer zajęty"
extern const char *const ErrorCaption;    // "Błąd"
