#include "single_instance.h"

#include "window_title.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultName()
{
    QString user;
    if (const passwd* entry = ::getpwuid(::getuid()))
        user = QString::fromLocal8Bit(entry->pw_name);
    if (user.isEmpty())
        user = QString::number(::getuid());
    return DefaultWindowTitle() + QLatin1Char('-') + user;
}

bool SingleInstance::HandOverToRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered on the name, so its socket is left over from a copy that died.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this]() {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            // The request may arrive together with the close: read on either signal.
            const auto take = [this, socket]() {
                if (socket->property("answered").toBool())
                    return;
                if (socket->peek(kShowRequest.size()) == kShowRequest) {
                    socket->setProperty("answered", true);
                    emit ShowRequested();
                }
            };
            connect(socket, &QLocalSocket::readyRead, this, take);
            connect(socket, &QLocalSocket::disconnected, this, [socket, take]() {
                take();
                socket->deleteLater();
            });
        }
    });
    return true;
}
