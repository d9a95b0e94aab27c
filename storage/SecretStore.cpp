#include "SecretStore.h"

#include "SecretServiceProbe.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

// The keychain layer calls the key of an entry its "key"; for us it is the user name.
const char *const kKeyName = "sqlite";
// A keyring prompt with nobody to answer it must not hang the start-up forever.
const int kJobTimeoutMs = 30000;

const char *const kLocked = "Magazyn haseł jest zablokowany.";
const char *const kNoService = "Usługa magazynu haseł nie odpowiada.";
const char *const kTimedOut = "Magazyn haseł nie odpowiedział w wyznaczonym czasie.";
const char *const kUnreadable = "Wpis istnieje, ale nie można go odczytać.";

// Runs a keychain job to its end in a local loop; false when it did not finish in time.
bool runJob(QKeychain::Job &job)
{
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(kJobTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done;
}

QString probeError(SecretProbe probe, const QString &detail)
{
    QString text = QString::fromUtf8(probe == SecretProbe::Locked ? kLocked : kNoService);
    if (!detail.isEmpty())
        text += QLatin1Char(' ') + detail;
    return text;
}

class KeychainSecretStore : public SecretStore
{
public:
    SecretReadResult read(const QString &target) override
    {
        SecretReadResult result;
        QString detail;
        // Ask first: the keychain layer would answer "not found" for a locked item.
        const SecretProbe probe = probeSecretItem(target, QLatin1String(kKeyName), &detail);
        if (probe == SecretProbe::Locked || probe == SecretProbe::NoService) {
            result.error = probeError(probe, detail);
            return result;
        }
        QKeychain::ReadPasswordJob job(target);
        job.setAutoDelete(false);
        job.setKey(QLatin1String(kKeyName));
        if (!runJob(job)) {
            result.error = QString::fromUtf8(kTimedOut);
            return result;
        }
        switch (job.error()) {
        case QKeychain::NoError:
            result.status = SecretStatus::Ok;
            result.user = QLatin1String(kKeyName);
            result.secret = job.textData();
            break;
        case QKeychain::EntryNotFound:
            // Only an item the service itself says is absent counts as missing.
            if (probe == SecretProbe::Absent || probe == SecretProbe::Unknown) {
                result.status = SecretStatus::NotFound;
            } else {
                result.error = QString::fromUtf8(kUnreadable);
            }
            break;
        default:
            result.error = job.errorString();
            break;
        }
        return result;
    }

    SecretStatus write(const QString &target, const QString &user, const QString &secret,
                       QString *error) override
    {
        Q_UNUSED(user); // the entry's key is fixed; the user name is not read back
        QString detail;
        const SecretProbe probe = probeDefaultCollection(&detail);
        if (probe == SecretProbe::Locked || probe == SecretProbe::NoService) {
            if (error)
                *error = probeError(probe, detail);
            return SecretStatus::Unavailable;
        }
        QKeychain::WritePasswordJob job(target);
        job.setAutoDelete(false);
        job.setKey(QLatin1String(kKeyName));
        job.setTextData(secret);
        if (!runJob(job)) {
            if (error)
                *error = QString::fromUtf8(kTimedOut);
            return SecretStatus::Unavailable;
        }
        if (job.error() == QKeychain::NoError)
            return SecretStatus::Ok;
        if (error)
            *error = job.errorString();
        return SecretStatus::Unavailable;
    }

    SecretStatus remove(const QString &target, QString *error) override
    {
        QString detail;
        const SecretProbe probe = probeSecretItem(target, QLatin1String(kKeyName), &detail);
        if (probe == SecretProbe::Absent)
            return SecretStatus::NotFound;
        if (probe == SecretProbe::Locked || probe == SecretProbe::NoService) {
            if (error)
                *error = probeError(probe, detail);
            return SecretStatus::Unavailable;
        }
        QKeychain::DeletePasswordJob job(target);
        job.setAutoDelete(false);
        job.setKey(QLatin1String(kKeyName));
        if (!runJob(job)) {
            if (error)
                *error = QString::fromUtf8(kTimedOut);
            return SecretStatus::Unavailable;
        }
        if (job.error() == QKeychain::NoError)
            return SecretStatus::Ok;
        if (job.error() == QKeychain::EntryNotFound)
            return SecretStatus::NotFound;
        if (error)
            *error = job.errorString();
        return SecretStatus::Unavailable;
    }
};

std::unique_ptr<SecretStore> &installed()
{
    static std::unique_ptr<SecretStore> store;
    return store;
}

} // namespace

SecretStore &secretStore()
{
    auto &store = installed();
    if (!store)
        store = std::make_unique<KeychainSecretStore>();
    return *store;
}

void setSecretStore(std::unique_ptr<SecretStore> store)
{
    installed() = std::move(store);
}
