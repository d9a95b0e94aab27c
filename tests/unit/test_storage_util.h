#pragma once
// Shared by the storage tests: a throwaway storage folder, the fake secret store installed
// for the test's lifetime, and the boxes the storage would have shown.

#include "storage/SecretStore.h"
#include "storage/UiHooks.h"
#include "storage/fvar.h"
#include "tests/support/TempStorage.h"
#include "tests/fakes/FakeSecretStore.h"

#include <QFile>
#include <QStringList>
#include <memory>

struct ShownBox
{
    QString text;
    QString caption;
};

class StorageFixture
{
public:
    explicit StorageFixture(bool answerYes = false)
    {
        auto fake = std::make_unique<FakeSecretStore>();
        store = fake.get();
        setSecretStore(std::move(fake));
        m_saved = uiHooks();
        uiHooks().showMessage = [this](const QString &t) { messages << t; };
        uiHooks().systemBox = [this](const QString &t, const QString &c, SysBoxIcon) {
            boxes.append({t, c});
        };
        uiHooks().systemAsk = [this](const QString &t, const QString &c, SysBoxIcon) {
            questions.append({t, c});
            return yes;
        };
        yes = answerYes;
        resetGlobals();
    }
    ~StorageFixture()
    {
        setSecretStore(nullptr);
        uiHooks() = m_saved;
        resetGlobals();
    }
    static void resetGlobals()
    {
        dbkey.clear();
        skrzynki.clear();
        smtpcfg = Tsmtpcfg();
        winstate = Twinstate();
        configfile.clear();
        maindbfile.clear();
    }
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TempStorage dir;
    FakeSecretStore *store = nullptr;
    QStringList messages;
    QVector<ShownBox> boxes;
    QVector<ShownBox> questions;
    bool yes = false;

private:
    UiHooks m_saved;
};
