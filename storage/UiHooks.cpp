#include "UiHooks.h"

#include <cstdio>

namespace {

void toStderr(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

UiHooks makeDefaults()
{
    // Until the program installs real boxes the text still reaches someone, and a question is
    // answered No: the cautious answer, since Yes may destroy data.
    UiHooks hooks;
    hooks.showMessage = [](const QString &text) { toStderr(text); };
    hooks.systemBox = [](const QString &text, const QString &caption, SysBoxIcon) {
        toStderr(caption + QLatin1String(": ") + text);
    };
    hooks.systemAsk = [](const QString &text, const QString &caption, SysBoxIcon) {
        toStderr(caption + QLatin1String(": ") + text);
        return false;
    };
    return hooks;
}

} // namespace

UiHooks &uiHooks()
{
    static UiHooks hooks = makeDefaults();
    return hooks;
}
