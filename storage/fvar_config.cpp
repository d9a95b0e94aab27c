// The configuration database: one key-value table copied to and from the fvar records.

#include "fvar.h"

#include "ConfigSchema.h"
#include "SqlDb.h"
#include "UiHooks.h"

#include <QFile>

namespace {

const char *const kConfigNotFound = "Config not found: ";
const char *const kNotANumber = "Wartość '%2' ustawienia %1 w pliku konfiguracji nie jest liczbą.";
const char *const kTooManyMailboxes =
    "Plik konfiguracji jest uszkodzony: nieprawidłowy numer skrzynki (%1).";

// Far above any real list; guards the array size against a damaged index.
const qint64 kMaxMailboxes = 10000;

const char *const kMailboxInsert =
    "INSERT INTO \"config\" (config_type, config_idx, config_key, config_value) "
    "VALUES ('mailbox',:newidx,'%1',:newval);";
const char *const kWinstateInsert =
    "INSERT INTO \"config\" (config_type, config_idx, config_key, config_value) "
    "VALUES ('winstate',0,'%1',:newval);";
const char *const kSmtpUpdate =
    "UPDATE config SET config_value = :NewValue WHERE config_type like 'smtpcfg' "
    "AND config_idx = 0 AND config_key like '%1' ";

const char *const kWinstateKeys[] = {"wnd_width", "wnd_height", "wnd_state", "spl1_pos",
                                     "spl2_pos"};

// Opens config.bin for one routine; false (after telling the user) when the file is missing.
bool openConfig(SqlDb &db)
{
    if (!QFile::exists(configfile)) {
        uiHooks().showMessage(QString::fromUtf8(kConfigNotFound) + configfile);
        return false;
    }
    db.open(configfile, getdbkey());
    return true;
}

qint64 storedInt(const QString &key, const QVariant &value)
{
    bool ok = false;
    const qint64 n = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw StorageError(QString::fromUtf8(kNotANumber).arg(key, value.toString()));
    return n;
}

int storedInt32(const QString &key, const QVariant &value)
{
    const qint64 n = storedInt(key, value);
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        throw StorageError(QString::fromUtf8(kNotANumber).arg(key, value.toString()));
    return int(n);
}

QString *mailboxField(TSkrzynka &m, const QString &key, bool *base64)
{
    *base64 = false;
    if (key == QLatin1String("name"))
        return &m.name;
    if (key == QLatin1String("address"))
        return &m.address;
    if (key == QLatin1String("sysname"))
        return &m.sysname;
    if (key == QLatin1String("deftoemail"))
        return &m.def_toemail;
    if (key == QLatin1String("defccemail"))
        return &m.def_ccemail;
    *base64 = true;
    if (key == QLatin1String("keyprv"))
        return &m.keyprv;
    if (key == QLatin1String("keypub"))
        return &m.keypub;
    if (key == QLatin1String("csr"))
        return &m.csr;
    return nullptr;
}

void setSmtpField(const QString &key, const QVariant &value)
{
    const QString text = value.toString();
    if (key == QLatin1String("host"))
        smtpcfg.host = text;
    else if (key == QLatin1String("port"))
        smtpcfg.port = storedInt32(key, value);
    else if (key == QLatin1String("authtype"))
        smtpcfg.authtype = storedInt32(key, value);
    else if (key == QLatin1String("ssltype"))
        smtpcfg.ssltype = storedInt32(key, value);
    else if (key == QLatin1String("username"))
        smtpcfg.username = text;
    else if (key == QLatin1String("pass"))
        smtpcfg.pass = text;
    else if (key == QLatin1String("from"))
        smtpcfg.from = text;
    else if (key == QLatin1String("fromdsc"))
        smtpcfg.fromdsc = text;
    else if (key == QLatin1String("subject"))
        smtpcfg.subject = text;
    else if (key == QLatin1String("bodyheader"))
        smtpcfg.bodyheader = frombase64lenient(text);
}

} // namespace

QString configTableSql()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS config (id INTEGER PRIMARY KEY "
                          "AUTOINCREMENT, config_type TEXT, config_idx INTEGER, config_key "
                          "TEXT, config_value TEXT);");
}

QString defaultBodyHeader()
{
    return QString::fromUtf8("Przekazana wiadomość z systemu eDoręczeń\r\n"
                             "Od: <nadawca>\r\n"
                             "Do: <skrzynka>\r\n"
                             "Temat: <temat>\r\n"
                             "Data utworzenia: <data wplyw>\r\n"
                             "Data doręczenia: <data dor>\r\n"
                             "--- poniżej treść wiadomości ---\r\n");
}

QString configDefaultRowsSql()
{
    // Every value here is a fixed literal without quotes (base64 has none), so plain
    // substitution is safe.
    const QPair<const char *, QString> rows[] = {
        {"smtpcfg", QStringLiteral("host")},       {"smtpcfg", QStringLiteral("port")},
        {"smtpcfg", QStringLiteral("authtype")},   {"smtpcfg", QStringLiteral("ssltype")},
        {"smtpcfg", QStringLiteral("username")},   {"smtpcfg", QStringLiteral("pass")},
        {"smtpcfg", QStringLiteral("from")},       {"smtpcfg", QStringLiteral("fromdsc")},
        {"smtpcfg", QStringLiteral("subject")},    {"smtpcfg", QStringLiteral("bodyheader")},
        {"winstate", QStringLiteral("wnd_width")}, {"winstate", QStringLiteral("wnd_height")},
        {"winstate", QStringLiteral("wnd_state")}, {"winstate", QStringLiteral("spl1_pos")},
        {"winstate", QStringLiteral("spl2_pos")},
    };
    auto defaultValue = [](const QString &key) -> QString {
        if (key == QLatin1String("port") || key == QLatin1String("ssltype"))
            return QStringLiteral("0");
        if (key == QLatin1String("authtype"))
            return QStringLiteral("6");
        if (key == QLatin1String("subject"))
            return QStringLiteral("Tarnvel - <temat>");
        if (key == QLatin1String("bodyheader"))
            return tobase64line(defaultBodyHeader());
        return QString();
    };
    QStringList statements;
    for (const auto &[type, key] : rows) {
        const QString value = QLatin1String(type) == QLatin1String("winstate")
                                  ? QStringLiteral("0")
                                  : defaultValue(key);
        statements << QStringLiteral("INSERT INTO \"config\" (config_type, config_idx, "
                                     "config_key, config_value) VALUES ('%1',0,'%2','%3');")
                          .arg(QLatin1String(type), key, value);
    }
    return statements.join(QLatin1String("\r\n"));
}

QString tobase64line(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString frombase64lenient(const QString &value)
{
    QByteArray clean(value.size(), Qt::Uninitialized);
    char *out = clean.data();
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '+' || c == '/')
            *out++ = char(c);
    }
    clean.truncate(out - clean.constData());
    return QString::fromUtf8(QByteArray::fromBase64(clean));
}

void loadconfig()
{
    SqlDb db;
    if (!openConfig(db))
        return;
    const QVariant maxIdx =
        db.scalar(QStringLiteral("SELECT MAX(config_idx)+1 FROM config where config_type like "
                                 "'mailbox';"));
    const qint64 n = maxIdx.isNull() ? 0 : storedInt(QStringLiteral("config_idx"), maxIdx);
    if (n > kMaxMailboxes)
        throw StorageError(QString::fromUtf8(kTooManyMailboxes).arg(n - 1));
    skrzynki.clear();
    if (n <= 0)
        return;
    skrzynki.resize(int(n));

    QStringList cols;
    const auto rows = db.query(
        QStringLiteral("SELECT * FROM config where config_type like 'mailbox'"), {}, &cols);
    const int idxCol = cols.indexOf(QLatin1String("config_idx"));
    const int keyCol = cols.indexOf(QLatin1String("config_key"));
    const int valCol = cols.indexOf(QLatin1String("config_value"));
    for (const SqlRow &row : rows) {
        const qint64 idx = storedInt(QStringLiteral("config_idx"), row.at(idxCol));
        if (idx < 0 || idx >= n)
            continue;
        bool base64 = false;
        QString *field = mailboxField(skrzynki[int(idx)], row.at(keyCol).toString(), &base64);
        if (field) {
            const QString value = row.at(valCol).toString();
            *field = base64 ? frombase64lenient(value) : value;
        }
    }

    const auto smtpRows = db.query(
        QStringLiteral("SELECT * FROM config where config_type like 'smtpcfg' and config_idx = 0"),
        {}, &cols);
    const int sKey = cols.indexOf(QLatin1String("config_key"));
    const int sVal = cols.indexOf(QLatin1String("config_value"));
    for (const SqlRow &row : smtpRows)
        setSmtpField(row.at(sKey).toString(), row.at(sVal));
}

void savemailboxes()
{
    SqlDb db;
    if (!openConfig(db))
        return;
    // One transaction: a failure part-way must not lose the keys of the mailboxes not yet
    // written back.
    inTransaction(db, [&] {
        db.exec(QStringLiteral("DELETE from \"config\" where config_type like 'mailbox'"));
        for (int i = 0; i < skrzynki.size(); ++i) {
            const TSkrzynka &m = skrzynki.at(i);
            const QPair<const char *, QString> fields[] = {
                {"name", m.name},
                {"address", m.address},
                {"sysname", m.sysname},
                {"deftoemail", m.def_toemail},
                {"defccemail", m.def_ccemail},
                {"keyprv", tobase64line(m.keyprv)},
                {"keypub", tobase64line(m.keypub)},
                {"csr", tobase64line(m.csr)},
            };
            for (const auto &[key, value] : fields)
                db.exec(QString::fromLatin1(kMailboxInsert).arg(QLatin1String(key)),
                        {{QStringLiteral("newidx"), i}, {QStringLiteral("newval"), value}});
        }
    });
}

void savesmtpcfg()
{
    SqlDb db;
    if (!openConfig(db))
        return;
    const QPair<const char *, QVariant> fields[] = {
        {"host", smtpcfg.host},
        {"port", smtpcfg.port},
        {"authtype", smtpcfg.authtype},
        {"ssltype", smtpcfg.ssltype},
        {"username", smtpcfg.username},
        {"pass", smtpcfg.pass},
        {"from", smtpcfg.from},
        {"fromdsc", smtpcfg.fromdsc},
        {"subject", smtpcfg.subject},
        {"bodyheader", tobase64line(smtpcfg.bodyheader)},
    };
    inTransaction(db, [&] {
        for (const auto &[key, value] : fields)
            db.exec(QString::fromLatin1(kSmtpUpdate).arg(QLatin1String(key)),
                    {{QStringLiteral("NewValue"), value}});
    });
}

void loadwinstate()
{
    if (!QFile::exists(configfile))
        return;
    SqlDb db;
    db.open(configfile, getdbkey());
    const auto rows = db.query(QStringLiteral(
        "SELECT config_key, config_value FROM config WHERE config_type = 'winstate' AND "
        "config_idx = 0"));
    int *fields[] = {&winstate.wnd_width, &winstate.wnd_height, &winstate.wnd_state,
                     &winstate.spl1_pos, &winstate.spl2_pos};
    for (const SqlRow &row : rows) {
        const QString key = row.at(0).toString();
        for (int i = 0; i < 5; ++i)
            if (key == QLatin1String(kWinstateKeys[i]))
                *fields[i] = storedInt32(key, row.at(1));
    }
}

void savewinstate(int width, int height, int state, int upperPaneHeight, int folderPaneWidth)
{
    SqlDb db;
    if (!openConfig(db))
        return;
    const int values[] = {width, height, state, upperPaneHeight, folderPaneWidth};
    inTransaction(db, [&] {
        db.exec(QStringLiteral("DELETE FROM \"config\" WHERE config_type = 'winstate'"));
        for (int i = 0; i < 5; ++i)
            db.exec(QString::fromLatin1(kWinstateInsert).arg(QLatin1String(kWinstateKeys[i])),
                    {{QStringLiteral("newval"), values[i]}});
    });
}
