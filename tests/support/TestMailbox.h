#pragma once
// A configured mailbox record for tests: a name, an address and a generated key set.

#include "mailboxes/KeyMaterial.h"
#include "storage/fvar.h"

inline TSkrzynka testMailbox(const QString &name, const QString &address, const KeyMaterial &keys,
                             const QString &sysname = QStringLiteral("tarnvel"))
{
    TSkrzynka m;
    m.name = name;
    m.address = address;
    m.sysname = sysname;
    m.keyprv = keys.privatePem;
    m.keypub = keys.publicPem;
    m.csr = keys.csrPem;
    return m;
}
