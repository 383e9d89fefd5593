#pragma once

#include <QByteArray>
#include <optional>

class QTcpSocket;

// Workstations send messages without a terminator: what has arrived at one read is one
// message. Reads are capped, so memory per connection stays bounded, and a message larger
// than the cap is thrown away whole.
class LecteurArrivees
{
public:
    static constexpr qint64 Plafond = 64 * 1024;

    // Caps the socket's read buffer just above the largest message.
    static void Preparer(QTcpSocket* prise);

    // The message that has arrived; nothing when nothing has, or when it was too large.
    std::optional<QByteArray> Lire(QTcpSocket* prise);

private:
    qint64 m_aJeter = 0; // bytes of a too-large message still to come
};
