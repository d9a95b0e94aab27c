#pragma once
// A throwaway storage folder: LOCALAPPDATA and TEMP point into a fresh temporary directory
// for the lifetime of the object, and are restored afterwards.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempStorage
{
public:
    TempStorage();
    ~TempStorage();
    QString root() const { return m_dir.path(); }
    QString folder() const { return m_dir.path() + "/Tarnvel"; }
    QString configFile() const { return folder() + "/config.bin"; }
    QString dataFile() const { return folder() + "/tarnvel.db"; }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldLocal, m_oldTemp;
    bool m_hadLocal, m_hadTemp;
};
