#pragma once
// Process-wide state of the program: mailboxes, SMTP settings, window layout, database paths
// and key, and the variables through which dialogs hand results to their callers.

#include <QString>
#include <QStringList>
#include <QVector>

struct TSkrzynka
{
    QString name;
    QString address;
    QString sysname;
    QString keyprv;
    QString keypub;
    QString csr;
    QString token; // memory only
    QString def_toemail;
    QString def_ccemail;
    qint32 token_exp = 0; // memory only
    bool enabled = false; // declared with the record; nothing sets or reads it
};

struct Tsmtpcfg
{
    QString host;
    int port = 0;
    QString from;
    QString fromdsc;
    QString subject;
    QString bodyheader;
    QString username;
    QString pass;
    int authtype = 0;
    int ssltype = 0;
};

struct Twinstate
{
    int wnd_width = 0;
    int wnd_height = 0;
    int wnd_state = 0;
    int spl1_pos = 0;
    int spl2_pos = 0;
};

class Tf1;

extern Tf1 *f1;
extern QVector<TSkrzynka> skrzynki;
extern QString configfile;
extern QString maindbfile;
extern Tsmtpcfg smtpcfg;
extern Twinstate winstate;
extern QString appversion;
extern QString dbkey;
extern int sendmail_result;
extern int contacts_mode;
extern QString contacts_pick;
extern QStringList folders_list;
extern QString target_folder;

// Storage folder and database key.
// Text of the SecretStoreUnavailable error: start-up ends with it and offers no reset.
extern const char *const kSecretStoreUnavailable;
QString storagefolder();
void initstorage();
bool ensuredbkey();
QString getdbkey();
QString randomhexkey(int n);
bool deletedbkey();
bool resetstorage();
bool askresetstorage();

// Configuration database.
void loadconfig();
void savemailboxes();
void savesmtpcfg();
void loadwinstate();
void savewinstate(int width, int height, int state, int upperPaneHeight, int folderPaneWidth);

// Text helpers.
QString extractemail(const QString &text);
bool isvalidemail(const QString &text);
bool isvalidemaillist(const QString &text);
QString quotedisplayname(const QString &text);
QString base64url(const QString &base64);
QString safefilename(const QString &text, QChar c);
QString randomletters(int n);
void deletedirtree(const QString &folder);
QString getappversion();
void deletemailbox(QVector<TSkrzynka> &mailboxes, int index);
QString trimctl(const QString &text); // trims every char <= 32 from both ends

// Base64 columns: one line of standard base64 of the UTF-8 text; decoding skips stray characters.
QString tobase64line(const QString &text);
QString frombase64lenient(const QString &value);
