#pragma once
// The HTTPS side of the simulator: token endpoint, the mailbox resources, admin requests.

#include "SimState.h"

#include <httplib.h>

class SimServer
{
public:
    SimServer(SimState &state, X509 *cert, EVP_PKEY *key);
    int bind(int port); // returns the bound port, or -1
    void run();         // blocks until stop()
    void stop();

private:
    void installRoutes();
    void token(const httplib::Request &req, httplib::Response &res);
    // Checks the bearer token against the mailbox of the path; answers 401 itself when not.
    SimMailbox *authorise(const httplib::Request &req, httplib::Response &res);
    // The message of the path's second match in the caller's mailbox (also given through
    // mailbox); null once res holds the refusal. The caller holds the state's lock.
    SimMessage *authorisedMessage(const httplib::Request &req, httplib::Response &res,
                                  SimMailbox **mailbox = nullptr);
    void numberMessages(const httplib::Request &req, httplib::Response &res);
    void messages(const httplib::Request &req, httplib::Response &res);
    void message(const httplib::Request &req, httplib::Response &res);
    void attachment(const httplib::Request &req, httplib::Response &res);
    void controlData(const httplib::Request &req, httplib::Response &res);
    void admin(const httplib::Request &req, httplib::Response &res);
    // Logs the request; true when a fault has answered it.
    bool record(const httplib::Request &req, httplib::Response &res);

    SimState &m_state;
    httplib::SSLServer m_server;
};
