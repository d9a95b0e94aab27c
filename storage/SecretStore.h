#pragma once
// The per-user secret store that holds the database key. "Unavailable" covers a store that is
// locked, missing or refusing: it never means "no key", because making a new key then would
// lock the user out of intact databases.

#include <QString>
#include <memory>

enum class SecretStatus { Ok, NotFound, Unavailable };

struct SecretReadResult
{
    SecretStatus status = SecretStatus::Unavailable;
    QString user;
    QString secret;
    QString error; // the store's own words when status is Unavailable
};

class SecretStore
{
public:
    virtual ~SecretStore() = default;
    virtual SecretReadResult read(const QString &target) = 0;
    virtual SecretStatus write(const QString &target, const QString &user, const QString &secret,
                               QString *error = nullptr) = 0;
    virtual SecretStatus remove(const QString &target, QString *error = nullptr) = 0;
};

// The store in use; the real one (the system's secret service) unless a test installed another.
SecretStore &secretStore();
void setSecretStore(std::unique_ptr<SecretStore> store); // nullptr restores the real one
