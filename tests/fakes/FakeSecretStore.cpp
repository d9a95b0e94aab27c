#include "FakeSecretStore.h"

SecretReadResult FakeSecretStore::read(const QString &target)
{
    SecretReadResult r;
    if (locked) {
        r.status = SecretStatus::Unavailable;
        r.error = QStringLiteral("locked");
        return r;
    }
    const auto it = items.constFind(target);
    if (it == items.constEnd()) {
        r.status = SecretStatus::NotFound;
        return r;
    }
    r.status = SecretStatus::Ok;
    r.user = it->first;
    r.secret = it->second;
    return r;
}

SecretStatus FakeSecretStore::write(const QString &target, const QString &user,
                                    const QString &secret, QString *error)
{
    if (locked || refuseWrites) {
        if (error)
            *error = QStringLiteral("refused");
        return SecretStatus::Unavailable;
    }
    ++writes;
    if (!dropWrites)
        items.insert(target, {user, secret});
    return SecretStatus::Ok;
}

SecretStatus FakeSecretStore::remove(const QString &target, QString *error)
{
    if (locked) {
        if (error)
            *error = QStringLiteral("locked");
        return SecretStatus::Unavailable;
    }
    ++removes;
    return items.remove(target) ? SecretStatus::Ok : SecretStatus::NotFound;
}
