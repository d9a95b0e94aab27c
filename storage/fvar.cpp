// Process-wide state, the storage folder and the database key.

#include "fvar.h"

#include "ConfigSchema.h"
#include "SecretStore.h"
#include "SqlDb.h"
#include "Tf1.h"
#include "UiHooks.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

Tf1 *f1 = nullptr;
QVector<TSkrzynka> skrzynki;
QString configfile;
QString maindbfile;
Tsmtpcfg smtpcfg;
Twinstate winstate;
QString appversion;
QString dbkey;
int sendmail_result = 0;
int contacts_mode = 0;
QString contacts_pick;
QStringList folders_list;
QString target_folder;

namespace {

const char *const kKeyTarget = "Tarnvel/DbKey";
const char *const kKeyUser = "sqlite";

const char *const kKeyInitFailed = "Nie udalo sie zainicjalizowac klucza szyfrowania baz danych.";
const char *const kFolderFailed = "Nie mozna utworzyc katalogu konfiguracyjnego: %1";
const char *const kWriteFailed = "Nie udalo sie zapisac klucza w menedzerze poswiadczen Windows.";
const char *const kWriteFailedCaption = "Tarnvel - blad";
const char *const kReadBackFailed =
    "Zapisany klucz nie zgadza sie z odczytanym z menedzera poswiadczen.\r\n"
    "Mozliwa przyczyna: blad WinAPI lub konflikt z innym oprogramowaniem.";
const char *const kReadBackCaption = "Tarnvel - blad zapisu klucza";
const char *const kResetQuestion =
    "Nie mozna odszyfrować plików konfiguracyjnych.\r\n"
    "Możliwe przyczyny: usunięty klucz Windows, inny użytkownik systemu,\r\n"
    "zmienione pliki bazy danych lub błąd szyfrowania.\r\n\r\n"
    "Zresetować konfigurację? Uwaga: cala konfiguracja zostanie utracona.";
const char *const kResetCaption = "Tarnvel - blad deszyfrowania";

QString tr8(const char *text)
{
    return QString::fromUtf8(text);
}

// A database file and the journal SQLite may have left beside it: a stale journal next to a
// new file of the same name would be played back into it.
void removeDatabaseFile(const QString &path)
{
    if (path.isEmpty())
        return;
    QFile::remove(path);
    QFile::remove(path + QLatin1String("-journal"));
}

} // namespace

const char *const kSecretStoreUnavailable =
    "Systemowy magazyn haseł jest niedostępny lub zablokowany.\r\n"
    "Odblokuj go i uruchom program ponownie.";

QString storagefolder()
{
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!base.endsWith(QLatin1Char('/')) && !base.endsWith(QDir::separator()))
        base += QLatin1Char('/');
    return base + QLatin1String("Tarnvel");
}

QString randomhexkey(int n)
{
    QByteArray bytes(qMax(n, 0), Qt::Uninitialized);
    // The operating system's generator; Qt ends the process rather than hand out weak bytes.
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex().toUpper());
}

bool ensuredbkey()
{
    const QString target = QLatin1String(kKeyTarget);
    SecretReadResult found = secretStore().read(target);
    // A locked or unreachable store is never "no key": a new key would overwrite the one that
    // opens the user's intact databases.
    if (found.status == SecretStatus::Unavailable) {
        QString text = tr8(kSecretStoreUnavailable);
        if (!found.error.isEmpty())
            text += QLatin1String("\r\n") + found.error;
        throw SecretStoreUnavailable(text);
    }
    if (found.status == SecretStatus::Ok && !found.secret.isEmpty()) {
        dbkey = found.secret;
        return true;
    }

    dbkey = randomhexkey(32);
    if (secretStore().write(target, QLatin1String(kKeyUser), dbkey) != SecretStatus::Ok) {
        uiHooks().systemBox(tr8(kWriteFailed), tr8(kWriteFailedCaption), SysBoxIcon::Error);
        return false;
    }
    const SecretReadResult back = secretStore().read(target);
    if (back.status != SecretStatus::Ok || back.secret != dbkey) {
        uiHooks().systemBox(tr8(kReadBackFailed), tr8(kReadBackCaption), SysBoxIcon::Error);
        return false;
    }
    return true;
}

QString getdbkey()
{
    if (dbkey.isEmpty())
        ensuredbkey();
    return dbkey;
}

bool deletedbkey()
{
    return secretStore().remove(QLatin1String(kKeyTarget)) == SecretStatus::Ok;
}

void initstorage()
{
    const QString folder = storagefolder();
    configfile = folder + QLatin1String("/config.bin");
    maindbfile = folder + QLatin1String("/tarnvel.db");

    // A key that cannot be kept is a fault of the secret store; resetting the storage would
    // only destroy the files and fail the same way again.
    if (!ensuredbkey())
        throw SecretStoreUnavailable(tr8(kKeyInitFailed));

    if (!QDir().mkpath(folder))
        throw StorageError(tr8(kFolderFailed).arg(folder));

    SqlDb db;
    if (QFile::exists(configfile)) {
        db.open(configfile, dbkey);
        db.scalar(QStringLiteral("SELECT 1 FROM config LIMIT 1"));
        return;
    }
    try {
        db.open(configfile, dbkey);
        // One transaction: a file left half-filled would pass the verification next time and
        // miss default rows for good.
        inTransaction(db, [&] {
            db.execScript(configTableSql());
            db.execScript(configDefaultRowsSql());
        });
    } catch (...) {
        db.close();
        removeDatabaseFile(configfile);
        throw;
    }
}

bool resetstorage()
{
    // The store refusing to delete means it is locked or gone: then the files must stay, or the
    // data would be lost with nothing gained.
    if (secretStore().remove(QLatin1String(kKeyTarget)) == SecretStatus::Unavailable)
        return false;
    dbkey.clear();
    if (f1)
        f1->FDConnection1.close();
    if (QFile::exists(configfile))
        removeDatabaseFile(configfile);
    if (QFile::exists(maindbfile))
        removeDatabaseFile(maindbfile);
    try {
        return ensuredbkey();
    } catch (const SecretStoreUnavailable &) {
        return false; // the next attempt meets the same store and reports it
    }
}

bool askresetstorage()
{
    if (!uiHooks().systemAsk(tr8(kResetQuestion), tr8(kResetCaption), SysBoxIcon::Warning))
        return false;
    resetstorage();
    return true;
}
