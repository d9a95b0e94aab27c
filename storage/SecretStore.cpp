#include "SecretStore.h"

#include "SecretServiceProbe.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace {

// The keychain layer calls the key of an entry its "key"; for us it is the user name.
const char *const kKeyName = "sqlite";
// A keyring prompt with nobody to answer it must not hang the start-up forever.
const int kJobTimeoutMs = 30000;

const char *const kLocked = "Magazyn haseł jest zablokowany.";
const char *const kNoService = "Usługa magazynu haseł nie odpowiada.";
const char *const kTimedOut = "Magazyn haseł nie odpowiedział w wyznaczonym czasie.";
const char *const kUnreadable = "Wpis istnieje, ale nie można go odczytać.";

struct JobOutcome
{
    bool done = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString errorString;
    QString text;
};

// Runs a keychain job to its end in a local loop. The job lives on the heap and deletes itself
// when it finishes, so one that outlives the time-out cannot call back into a dead frame.
JobOutcome runJob(QKeychain::Job *job)
{
    auto outcome = std::make_shared<JobOutcome>();
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, job, [outcome, guard](QKeychain::Job *j) {
        outcome->done = true;
        outcome->error = j->error();
        outcome->errorString = j->errorString();
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(j))
            outcome->text = read->textData();
        if (guard)
            guard->quit();
    });
    QTimer::singleShot(kJobTimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!outcome->done)
        outcome->errorString = QString::fromUtf8(kTimedOut);
    return *outcome;
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
        auto *job = new QKeychain::ReadPasswordJob(target);
        job->setKey(QLatin1String(kKeyName));
        const JobOutcome done = runJob(job);
        if (!done.done) {
            result.error = done.errorString;
            return result;
        }
        switch (done.error) {
        case QKeychain::NoError:
            result.status = SecretStatus::Ok;
            result.user = QLatin1String(kKeyName);
            result.secret = done.text;
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
            result.error = done.errorString;
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
        auto *job = new QKeychain::WritePasswordJob(target);
        job->setKey(QLatin1String(kKeyName));
        job->setTextData(secret);
        const JobOutcome done = runJob(job);
        if (done.done && done.error == QKeychain::NoError)
            return SecretStatus::Ok;
        if (error)
            *error = done.errorString;
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
        auto *job = new QKeychain::DeletePasswordJob(target);
        job->setKey(QLatin1String(kKeyName));
        const JobOutcome done = runJob(job);
        if (done.done && done.error == QKeychain::NoError)
            return SecretStatus::Ok;
        if (done.done && done.error == QKeychain::EntryNotFound)
            return SecretStatus::NotFound;
        if (error)
            *error = done.errorString;
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
