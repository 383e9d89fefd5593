#pragma once

#include <QString>
#include <QtGlobal>

// Who is at the other end of a local socket, as the kernel tells it (SO_PEERCRED on Linux):
// never what the peer says of itself.
struct PairLocal
{
    bool Connu = false; // the kernel told who it is
    qint64 Pid = 0;
    quint32 Uid = 0;
    QString Nom; // the user's name, or the number when it has none
    bool Administrateur = false; // root, or a member of the sudo, wheel or admin group

    static PairLocal Identifier(qintptr descripteur);
};
