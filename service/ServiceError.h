#pragma once
// A failure of the service client that ends the user action: the application's default
// error box shows its message and the program goes on.

#include <QString>
#include <stdexcept>

class ServiceError : public std::runtime_error
{
public:
    explicit ServiceError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};
