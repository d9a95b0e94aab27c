#include "service/ServiceConfig.h"

namespace {

ServiceHosts readHosts()
{
    auto pick = [](const char *name, const char *fallback) {
        const QString v = qEnvironmentVariable(name).trimmed();
        return v.isEmpty() ? QString::fromLatin1(fallback) : v;
    };
    ServiceHosts h;
    h.tokenHost = pick("TARNVEL_TOKEN_HOST", "ow.edoreczenia.gov.pl");
    h.apiHost = pick("TARNVEL_API_HOST", "uaapi-ow.poczta-polska.pl");
    h.ntpHost = pick("TARNVEL_NTP_HOST", "tempus1.gum.gov.pl");
    h.webSite = QStringLiteral("edoreczenia.gov.pl");
    h.caFile = qEnvironmentVariable("TARNVEL_CA_FILE").trimmed();
    return h;
}

ServiceHosts &hosts()
{
    static ServiceHosts h = readHosts();
    return h;
}

} // namespace

const ServiceHosts &serviceHosts()
{
    return hosts();
}

void reloadServiceHosts()
{
    hosts() = readHosts();
}

QString apiBase()
{
    return QStringLiteral("https://") + hosts().apiHost + QStringLiteral("/api/v3/");
}

QString tokenBase()
{
    return QStringLiteral("https://") + hosts().tokenHost;
}
