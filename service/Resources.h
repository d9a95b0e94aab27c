#pragma once
// The e-Delivery REST resources the program uses: how each request is written, and how the
// members of each answer are read. Every member is read on its own: a missing or ill-typed
// member leaves only its own value empty (an empty string, an unset optional).
//
// Mailbox addresses and ids from earlier answers go into paths exactly as they are; query
// values are left to the HTTP client, which encodes them.

#include <QByteArray>
#include <QJsonValue>
#include <QPair>
#include <QString>
#include <QVector>
#include <optional>

// Same type as the main window's alias, so the lists pass straight to getrequest.
using TQueryParams = QVector<QPair<QString, QString>>;

// ---- R1: folder counts ---------------------------------------------------------------------
QString resourceNumberMessages(const QString &address);

struct FolderCount
{
    QString label;
    QString name;
    QString type;
    std::optional<qint64> numberOfUnreadMessages;
    std::optional<qint64> total;
};
// An answer that is not an array gives no folders; elements that are not objects give a
// folder whose every member is empty.
QVector<FolderCount> readFolderCounts(const QJsonValue &answer);

// ---- R2: message list of one folder ----------------------------------------------------------
QString resourceMessages(const QString &address);
TQueryParams paramsMessages(const QString &label); // format=metadata, then label

struct MessageSummary
{
    QString messageId;
    QString subject;
    QString timestamp;    // UTC ISO 8601 as received
    QString receiptDate;  // empty when not yet received
    QString fromAddress;  // from.eDeliveryAddress
    QString fromName;     // from.contributor.companyName
    std::optional<bool> opened;
    QString daysToReceive; // read as text (a string or a number)
};
// An answer without a `messages` array gives an empty list.
QVector<MessageSummary> readMessageList(const QJsonValue &answer);

// ---- R3: one message in full (the service counts this as its receipt) ------------------------
QString resourceMessage(const QString &address, const QString &messageId);
TQueryParams paramsMessageFull(); // format=full

struct AttachmentInfo
{
    QString attachmentId;
    QString filename;
    QString contentType;
    std::optional<qint64> size;
};

struct MessageFull
{
    QString textBody;
    QString fromName;
    QString subject;
    QString timestamp;
    QString receiptDate;
    QVector<AttachmentInfo> attachments;
};
// The first element of the answer array; nullopt when the answer is not an array or is empty.
std::optional<MessageFull> readMessageFull(const QJsonValue &answer);

// ---- R4: attachment content ------------------------------------------------------------------
QString resourceAttachment(const QString &address, const QString &messageId,
                           const QString &attachmentId);
// The decoded file.file member; empty when it is missing or is not valid Base64.
QByteArray readAttachmentContent(const QJsonValue &answer);

// ---- R5: move a message into another folder (label) ------------------------------------------
QString resourceControlData(const QString &address, const QString &messageId);
// [{"op":"add","path":"labels","value":["<label>"]}], compact, \u escapes outside 32..127.
QString bodyMoveToLabel(const QString &label);
inline constexpr const char *TrashLabel = "TRASH";

// Helpers shared by the readers, also for other answers.
QString jsonText(const QJsonValue &v);               // a string, else empty
std::optional<qint64> jsonInteger(const QJsonValue &v); // an integral number, else nullopt
// Compact JSON string literal (with quotes): ", \ and controls escaped, and every character
// above 127 as \u (UTF-16 units), so the text is plain ASCII.
QString jsonQuoteAscii(const QString &text);
// The same with characters above 127 left as they are (the text stays UTF-8 once encoded).
QString jsonQuote(const QString &text);
