#pragma once
// Host names of the outside services. Built-in production defaults, overridable through the
// environment for integration and test environments.

#include <QString>

struct ServiceHosts
{
    QString tokenHost; // host[:port] of the token service
    QString apiHost;   // host[:port] of the REST API
    QString ntpHost;   // host[:port] of the SNTP server
    QString webSite;   // host name of the service's public web site
    QString caFile;    // extra PEM certificates trusted for HTTPS, may be empty
};

const ServiceHosts &serviceHosts();
void reloadServiceHosts(); // re-reads the environment (tests)
QString apiBase();         // "https://" + API host + "/api/v3/"
QString tokenBase();       // "https://" + token host
