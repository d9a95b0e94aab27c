#pragma once
// The data module: the long-lived connection to the data database and its shared query.

#include "SqlDb.h"

class Tf1
{
public:
    SqlDb FDConnection1;
    // The three-line statements of the data database all go through FDConnection1; there is
    // no separate query object to share.
    void connectmaindb();
    // Deletes message-cache rows written more than 90 days ago (local time counted as UTC).
    void purgecache();
};

// Seconds since 1970 of the local wall-clock time counted as if it were UTC.
qint64 localepochseconds();
