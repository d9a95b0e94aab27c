#pragma once
// The application object. Its notify() is the default error box: an error that escapes any
// event handler is shown to the user and the program goes on.

#include <QApplication>

class TarnvelApplication : public QApplication
{
public:
    TarnvelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
