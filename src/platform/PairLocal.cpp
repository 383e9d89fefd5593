#include "PairLocal.h"

#include "Systeme.h"

#ifdef Q_OS_LINUX
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>
#endif

PairLocal PairLocal::Identifier(qintptr descripteur)
{
    PairLocal pair;
#ifdef Q_OS_LINUX
    ucred identite{};
    socklen_t taille = sizeof(identite);
    if (::getsockopt(static_cast<int>(descripteur), SOL_SOCKET, SO_PEERCRED, &identite, &taille) != 0)
        return pair;
    pair.Connu = true;
    pair.Pid = identite.pid;
    pair.Uid = identite.uid;
    pair.Nom = QString::number(identite.uid);
    if (identite.uid == 0) {
        pair.Nom = QStringLiteral("root");
        pair.Administrateur = true;
        return pair;
    }
    const passwd* compte = ::getpwuid(identite.uid);
    if (!compte)
        return pair;
    pair.Nom = QString::fromLocal8Bit(compte->pw_name);
    // The groups the system gives that user now, the primary one included.
    int nombre = 16;
    std::vector<gid_t> groupes(static_cast<std::size_t>(nombre));
    if (::getgrouplist(compte->pw_name, compte->pw_gid, groupes.data(), &nombre) < 0) {
        groupes.resize(static_cast<std::size_t>(nombre));
        ::getgrouplist(compte->pw_name, compte->pw_gid, groupes.data(), &nombre);
    }
    groupes.resize(static_cast<std::size_t>(qMax(nombre, 0)));
    groupes.push_back(identite.gid);
    for (gid_t gid : groupes) {
        if (Systeme::GroupeAdministrateur(gid))
            pair.Administrateur = true;
    }
#else
    Q_UNUSED(descripteur);
#endif
    return pair;
}
