#pragma once
// An in-memory secret store for tests: it can play a store that is locked (reads answer
// Unavailable, writes and deletes are refused) or one that loses what is written to it.

#include "storage/SecretStore.h"

#include <QMap>
#include <QPair>

class FakeSecretStore : public SecretStore
{
public:
    SecretReadResult read(const QString &target) override;
    SecretStatus write(const QString &target, const QString &user, const QString &secret,
                       QString *error = nullptr) override;
    SecretStatus remove(const QString &target, QString *error = nullptr) override;

    QMap<QString, QPair<QString, QString>> items; // target -> (user, secret)
    bool locked = false;
    bool refuseWrites = false;
    bool dropWrites = false; // accepts a write but keeps nothing
    int writes = 0;
    int removes = 0;
};
