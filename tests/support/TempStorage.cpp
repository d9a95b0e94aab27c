#include "TempStorage.h"

#include <QDir>

TempStorage::TempStorage()
    : m_oldLocal(qgetenv("LOCALAPPDATA")), m_oldTemp(qgetenv("TEMP")),
      m_hadLocal(qEnvironmentVariableIsSet("LOCALAPPDATA")),
      m_hadTemp(qEnvironmentVariableIsSet("TEMP"))
{
    qputenv("LOCALAPPDATA", m_dir.path().toUtf8());
    QDir(m_dir.path()).mkpath("tmp");
    qputenv("TEMP", (m_dir.path() + "/tmp").toUtf8());
}

TempStorage::~TempStorage()
{
    if (m_hadLocal)
        qputenv("LOCALAPPDATA", m_oldLocal);
    else
        qunsetenv("LOCALAPPDATA");
    if (m_hadTemp)
        qputenv("TEMP", m_oldTemp);
    else
        qunsetenv("TEMP");
}
