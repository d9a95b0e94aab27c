#include "app/SystemBoxes.h"
#include "app/TarnvelApplication.h"
#include "app/Tfm_msglist.h"

int main(int argc, char **argv)
{
    TarnvelApplication app(argc, argv);
    installSystemBoxes();

    Tfm_msglist window;
    if (!window.FormCreate())
        return 1;
    window.show();
    return app.exec();
}
