#include "browse/FolderTree.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <limits>

const QString kMarkerNotConfigured = QStringLiteral("[NIESKONFIGUROWANA] ");
const QString kMarkerFailed = QStringLiteral("[BŁĄD] ");

namespace {

struct FixedFolder
{
    const char *word;
    QString plname;
    int image;
};

const FixedFolder kFixed[5] = {
    {"INBOX", QStringLiteral("Przychodzące"), ImgInbox},
    {"SENT", QStringLiteral("Wysłane"), ImgSent},
    {"DRAFT", QStringLiteral("Wersje robocze"), ImgDrafts},
    {"OUTBOX", QStringLiteral("W trakcie wysyłania"), ImgOutbox},
    {"TRASH", QStringLiteral("Kosz"), ImgTrash},
};

// Counts the service cannot mean (negative, fractional, not a number, beyond what a double
// holds exactly) count as 0, so one bad member leaves the rest of the tree intact.
qint64 readCount(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (!v.isDouble())
        return 0;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d < 0 || d > 9007199254740992.0 || d != std::floor(d))
        return 0;
    return qint64(d);
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max()
                                                       : a + b;
}

QString counts(qint64 u, qint64 t)
{
    return QStringLiteral(" (") + QString::number(u) + QLatin1Char('/') + QString::number(t)
           + QLatin1Char(')');
}

int fixedIndex(const QString &label, const QString &name)
{
    if (label == QLatin1String("INBOX"))
        return 0;
    if (label == QLatin1String("SENT"))
        return 1;
    if (name == QLatin1String("DRAFT")) // the drafts folder is known by its name, not its label
        return 2;
    if (label == QLatin1String("OUTBOX"))
        return 3;
    if (label == QLatin1String("TRASH"))
        return 4;
    return -1;
}

} // namespace

bool mailboxconfigured(const QString &address, const QString &keyprv)
{
    return !address.trimmed().isEmpty() && !keyprv.trimmed().isEmpty();
}

MailboxNode buildmailboxnode(int mboxidx, const QString &mailboxName, MailboxState state,
                             const QJsonValue &answer)
{
    MailboxNode node;
    QString marker;
    qint64 sumU = 0;
    qint64 sumT = 0;

    if (state == MailboxState::NotConfigured)
        marker = kMarkerNotConfigured;
    else if (state == MailboxState::Failed || !answer.isArray())
        marker = kMarkerFailed;
    else {
        node.children.resize(5);
        const QJsonArray labels = answer.toArray();
        for (const QJsonValue &element : labels) {
            // Only label objects describe a folder; anything else in the array is skipped.
            if (!element.isObject())
                continue;
            const QJsonObject o = element.toObject();
            const qint64 u = readCount(o, QStringLiteral("numberOfUnreadMessages"));
            const qint64 t = readCount(o, QStringLiteral("total"));
            const QString label = o.value(QStringLiteral("label")).toString();
            const QString name = o.value(QStringLiteral("name")).toString();
            const QString type = o.value(QStringLiteral("type")).toString();

            TNodeData data;
            data.bold = u >= 1;
            data.mboxidx = mboxidx;
            FolderNode folder;
            const int fixed = fixedIndex(label, name);
            if (fixed >= 0) {
                const FixedFolder &f = kFixed[fixed];
                data.name = QString::fromLatin1(f.word);
                data.plname = f.plname;
                data.labeln = data.name;
                folder.text = f.plname + counts(u, t);
                folder.image = f.image;
            } else {
                data.name = name;
                data.plname = name;
                data.labeln = label;
                folder.text = name + counts(u, t);
                folder.image = ImgOutbox;
            }
            folder.data = data;
            if (fixed >= 0)
                node.children[fixed] = folder;
            else
                node.children.append(folder);

            sumU = saturatingAdd(sumU, u);
            sumT = saturatingAdd(sumT, t);
            if (fixed == 0)
                node.movetargets.append(data);
            if (type == QLatin1String("defined"))
                node.movetargets.append(data);
        }
    }

    node.text = marker + mailboxName + counts(sumU, sumT);
    node.image = ImgMailbox;
    node.data.mboxidx = mboxidx;
    node.data.bold = sumU > 0;
    node.data.name = mailboxName;
    return node;
}
