#pragma once
// Asks the platform's secret service directly whether an item exists and whether it can be
// used. Needed because the keychain layer reports a locked item as "not found", and a new key
// must only ever be made when the item is definitely absent.

#include <QString>

enum class SecretProbe {
    Unknown,     // no way to ask (other platform, or no such service on the bus): trust the
                 // keychain layer's answer
    NoService,   // the secret service is not running or does not answer
    Locked,      // the item, or the collection a new item would go into, is locked
    Present,     // an unlocked item with these attributes exists
    Absent,      // no item with these attributes exists, locked or not
};

// target and user as the keychain layer stores them (service name and key).
SecretProbe probeSecretItem(const QString &target, const QString &user, QString *detail = nullptr);
// Whether the collection that new items go into can take one now.
SecretProbe probeDefaultCollection(QString *detail = nullptr);
