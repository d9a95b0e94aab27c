#pragma once
// The statements that create a new configuration database; run by initstorage.

#include <QString>

QString configTableSql();
QString configDefaultRowsSql(); // fifteen INSERT statements separated by CR LF
QString defaultBodyHeader();
