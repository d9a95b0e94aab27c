#include "service/Resources.h"

#include "service/ServiceConfig.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace {

QString mailboxBase(const QString &address)
{
    return apiBase() + address;
}

QJsonValue member(const QJsonValue &v, const char *name)
{
    return v.isObject() ? v.toObject().value(QLatin1String(name)) : QJsonValue();
}

} // namespace

QString jsonText(const QJsonValue &v)
{
    return v.isString() ? v.toString() : QString();
}

std::optional<qint64> jsonInteger(const QJsonValue &v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    // Beyond 2^53 a double no longer holds every integer: such a count is not believable.
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9007199254740992.0)
        return std::nullopt;
    return static_cast<qint64>(d);
}

namespace {
QString quoteJson(const QString &text, bool escapeNonAscii)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '"')
            out += QLatin1String("\\\"");
        else if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u < 32 || (escapeNonAscii && u > 127))
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}
} // namespace

QString jsonQuoteAscii(const QString &text)
{
    return quoteJson(text, true);
}

QString jsonQuote(const QString &text)
{
    return quoteJson(text, false);
}

QString resourceNumberMessages(const QString &address)
{
    return mailboxBase(address) + QStringLiteral("/numberMessages");
}

QVector<FolderCount> readFolderCounts(const QJsonValue &answer)
{
    QVector<FolderCount> out;
    if (!answer.isArray())
        return out;
    const QJsonArray a = answer.toArray();
    out.reserve(a.size());
    for (const QJsonValue &e : a) {
        FolderCount f;
        f.label = jsonText(member(e, "label"));
        f.name = jsonText(member(e, "name"));
        f.type = jsonText(member(e, "type"));
        f.numberOfUnreadMessages = jsonInteger(member(e, "numberOfUnreadMessages"));
        f.total = jsonInteger(member(e, "total"));
        out.append(f);
    }
    return out;
}

QString resourceMessages(const QString &address)
{
    return mailboxBase(address) + QStringLiteral("/messages");
}

TQueryParams paramsMessages(const QString &label)
{
    return {{QStringLiteral("format"), QStringLiteral("metadata")},
            {QStringLiteral("label"), label}};
}

QVector<MessageSummary> readMessageList(const QJsonValue &answer)
{
    QVector<MessageSummary> out;
    const QJsonValue list = member(answer, "messages");
    if (!list.isArray())
        return out;
    const QJsonArray a = list.toArray();
    out.reserve(a.size());
    for (const QJsonValue &e : a) {
        MessageSummary m;
        const QJsonValue meta = member(e, "messageMetadata");
        const QJsonValue from = member(meta, "from");
        const QJsonValue control = member(e, "messageControlData");
        m.messageId = jsonText(member(meta, "messageId"));
        m.subject = jsonText(member(meta, "subject"));
        m.timestamp = jsonText(member(meta, "timestamp"));
        m.receiptDate = jsonText(member(meta, "receiptDate"));
        m.fromAddress = jsonText(member(from, "eDeliveryAddress"));
        m.fromName = jsonText(member(member(from, "contributor"), "companyName"));
        const QJsonValue opened = member(control, "opened");
        if (opened.isBool())
            m.opened = opened.toBool();
        const QJsonValue days = member(control, "daysToReceive");
        if (days.isString())
            m.daysToReceive = days.toString();
        else if (const auto n = jsonInteger(days))
            m.daysToReceive = QString::number(*n);
        out.append(m);
    }
    return out;
}

QString resourceMessage(const QString &address, const QString &messageId)
{
    return mailboxBase(address) + QStringLiteral("/messages/") + messageId;
}

TQueryParams paramsMessageFull()
{
    return {{QStringLiteral("format"), QStringLiteral("full")}};
}

std::optional<MessageFull> readMessageFull(const QJsonValue &answer)
{
    if (!answer.isArray() || answer.toArray().isEmpty())
        return std::nullopt;
    const QJsonValue e = answer.toArray().at(0);
    const QJsonValue meta = member(e, "messageMetadata");
    MessageFull m;
    m.textBody = jsonText(member(e, "textBody"));
    m.fromName = jsonText(member(member(member(meta, "from"), "contributor"), "companyName"));
    m.subject = jsonText(member(meta, "subject"));
    m.timestamp = jsonText(member(meta, "timestamp"));
    m.receiptDate = jsonText(member(meta, "receiptDate"));
    const QJsonValue atts = member(e, "attachments");
    if (atts.isArray()) {
        for (const QJsonValue &a : atts.toArray()) {
            const QJsonValue fileMeta = member(member(a, "file"), "fileMetadata");
            AttachmentInfo info;
            info.attachmentId = jsonText(member(a, "attachmentId"));
            info.filename = jsonText(member(fileMeta, "filename"));
            info.contentType = jsonText(member(fileMeta, "contentType"));
            info.size = jsonInteger(member(fileMeta, "size"));
            m.attachments.append(info);
        }
    }
    return m;
}

QString resourceAttachment(const QString &address, const QString &messageId,
                           const QString &attachmentId)
{
    return resourceMessage(address, messageId) + QStringLiteral("/attachments/") + attachmentId;
}

QByteArray readAttachmentContent(const QJsonValue &answer)
{
    const QJsonValue content = member(member(answer, "file"), "file");
    if (!content.isString())
        return {};
    // Decode from the Latin-1 bytes straight away and let them go, so that at most the text
    // and the decoded file are held together.
    // Line breaks and blanks are how Base64 is often wrapped; they carry no data.
    QByteArray text = content.toString().toLatin1();
    text.removeIf([](char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; });
    auto decoded = QByteArray::fromBase64Encoding(std::move(text),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    return std::move(decoded.decoded);
}

QString resourceControlData(const QString &address, const QString &messageId)
{
    return resourceMessage(address, messageId) + QStringLiteral("/message_control_data");
}

QString bodyMoveToLabel(const QString &label)
{
    return QStringLiteral("[{\"op\":\"add\",\"path\":\"labels\",\"value\":[") + jsonQuoteAscii(label)
        + QStringLiteral("]}]");
}
