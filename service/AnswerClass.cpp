#include "service/AnswerClass.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char *const BusyCaption = "Serwer zajęty";
const char *const ErrorCaption = "Błąd";

namespace {

const char *const BusyTextHead = "Serwer e-doręczeń jest w tej chwili zajęty.\r\nSystem zwrócił komunikat: ";
const char *const BusyTextTail = "Z tych względów odczyt wiadomości będzie możliwy za chwilę.";
const char *const SameFolderText = "Nie można przenieść wiadomości do tego samego folderu.";

// The first element of a JSON array body, when it is an object.
bool firstObject(const QJsonDocument &doc, QJsonObject *out)
{
    if (!doc.isArray() || doc.array().isEmpty() || !doc.array().at(0).isObject())
        return false;
    *out = doc.array().at(0).toObject();
    return true;
}

QString asText(const QJsonValue &v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble() || v.isBool())
        return v.toVariant().toString();
    if (v.isObject())
        return QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    if (v.isArray())
        return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
    return QString();
}

} // namespace

AnswerClass classifyAnswer(int status, const QString &reason, const QByteArray &body)
{
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &perr);
    const bool json = perr.error == QJsonParseError::NoError && !doc.isNull();
    QJsonObject first;
    const bool arrayForm = json && firstObject(doc, &first);

    AnswerClass c;
    // An answer that lacks the member these forms carry is not that form: it falls through
    // to the diagnostic entry, where the user sees what the server sent.
    if (reason == QLatin1String("Accepted") && arrayForm && first.contains(QLatin1String("status"))) {
        c.kind = AnswerKind::Busy;
        c.text = QString::fromUtf8(BusyTextHead) + asText(first.value(QLatin1String("status")))
            + QStringLiteral("\r\n") + QString::fromUtf8(BusyTextTail);
        return c;
    }
    if (status == 400 && arrayForm && first.value(QLatin1String("error")) == QLatin1String("UAAPI0091")) {
        c.kind = AnswerKind::SameFolder;
        c.text = QString::fromUtf8(SameFolderText);
        return c;
    }
    if (status == 200 && json) {
        c.kind = AnswerKind::Json;
        c.value = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
        return c;
    }
    c.kind = AnswerKind::Diagnostic;
    c.text = reason + QStringLiteral(" (") + QString::number(status) + QStringLiteral(")\r\n")
        + QString::fromUtf8(body);
    return c;
}
