// Small text and file helpers shared by several areas.

#include "fvar.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <chrono>

namespace {

// No UseUnicodePropertiesOption: \w and \s stay ASCII-only, so a Polish letter or a
// non-breaking space is never taken for a word character or a blank.
const QRegularExpression &angleAddressRe()
{
    static const QRegularExpression re(QStringLiteral("<\\s*([^<>]+)\\s*>"));
    return re;
}

const QRegularExpression &emailRe()
{
    static const QRegularExpression re(QStringLiteral("^[\\w.-]+@[\\w.-]+\\.\\w{2,}$"));
    return re;
}

const QRegularExpression &needsQuotingRe()
{
    static const QRegularExpression re(QStringLiteral("[^\\w\\-' ]"));
    return re;
}

quint32 tickCount()
{
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

QString trimctl(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start).unicode() <= 32)
        ++start;
    while (end > start && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(start, end - start);
}

QString extractemail(const QString &text)
{
    const QRegularExpressionMatch m = angleAddressRe().match(text);
    if (m.hasMatch())
        return m.captured(1);
    return trimctl(text);
}

bool isvalidemail(const QString &text)
{
    const QString address = extractemail(text);
    const QRegularExpressionMatch m = emailRe().match(address);
    // "$" also matches before a final line feed; a line break must never pass as part of an
    // address that ends up in a mail header.
    return m.hasMatch() && m.capturedLength(0) == address.size();
}

bool isvalidemaillist(const QString &text)
{
    if (text.isEmpty())
        return true;
    const QStringList pieces = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    for (const QString &piece : pieces)
        if (!isvalidemail(trimctl(piece)))
            return false;
    return true;
}

QString quotedisplayname(const QString &text)
{
    static const QString removed = QStringLiteral("()<>[]{}.,;:\\@\"");
    QString rest = trimctl(text);
    rest.removeIf([](QChar c) { return removed.contains(c); });
    if (needsQuotingRe().match(rest).hasMatch())
        return QLatin1Char('"') + rest + QLatin1Char('"');
    return rest;
}

QString base64url(const QString &base64)
{
    QString s = base64;
    s.remove(QLatin1String("\r\n"));
    s.replace(QLatin1Char('+'), QLatin1Char('-'));
    s.replace(QLatin1Char('/'), QLatin1Char('_'));
    s.remove(QLatin1Char('='));
    return trimctl(s);
}

QString safefilename(const QString &text, QChar c)
{
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    QString s = trimctl(text);
    for (QChar &ch : s)
        if (ch.unicode() < 32 || forbidden.contains(ch))
            ch = c;
    s.replace(QLatin1String(".."), QString(2, c));
    while (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    if (s.size() > 255)
        s.truncate(255);
    if (s.isEmpty())
        s = QLatin1String("file") + c + QString::number(tickCount());
    return s;
}

QString randomletters(int n)
{
    QString s;
    s.reserve(qMax(n, 0));
    for (int i = 0; i < n; ++i)
        s.append(QChar(u'a' + QRandomGenerator::global()->bounded(26)));
    return s;
}

void deletedirtree(const QString &folder)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        // A link is removed itself; following it would empty a folder outside the tree.
        if (entry.isDir() && !entry.isSymLink())
            deletedirtree(entry.filePath());
        else
            QFile::remove(entry.filePath());
    }
    QDir().rmdir(folder);
}

QString getappversion()
{
#if defined(TARNVEL_VERSION_MAJOR) && defined(TARNVEL_VERSION_MINOR)
    return QString::asprintf("%d.%d", int(TARNVEL_VERSION_MAJOR), int(TARNVEL_VERSION_MINOR));
#else
    return QString::asprintf("%d.%d", 65535, 65535);
#endif
}

void deletemailbox(QVector<TSkrzynka> &mailboxes, int index)
{
    if (index >= 0 && index < mailboxes.size())
        mailboxes.remove(index);
}
