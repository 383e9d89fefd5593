#include "OptionsPoste.h"

#include <QHostInfo>

namespace {

bool port(const QString& texte, quint16* valeur)
{
    bool ok = false;
    const uint n = texte.toUInt(&ok);
    if (!ok || n == 0 || n > 65535)
        return false;
    *valeur = static_cast<quint16>(n);
    return true;
}

bool duree(const QString& texte, int* valeur)
{
    bool ok = false;
    const int n = texte.toInt(&ok);
    if (!ok || n < 0)
        return false;
    *valeur = n;
    return true;
}

} // namespace

OptionsPoste OptionsPoste::Analyser(const QStringList& arguments)
{
    OptionsPoste o;
    o.Poste = QHostInfo::localHostName();
    auto refuser = [&o](const QString& erreur) {
        o.Valide = false;
        o.Erreur = erreur;
        return o;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.Aide = true;
            continue;
        }
        if (a == QLatin1String("--telecharger")) {
            o.Telecharger = true;
            continue;
        }
        static const QStringList avecValeur
            = {QStringLiteral("--hote"),        QStringLiteral("--port"),     QStringLiteral("--port-transfert"),
               QStringLiteral("--utilisateur"), QStringLiteral("--version"),  QStringLiteral("--recuperer"),
               QStringLiteral("--dossier"),     QStringLiteral("--signaler"), QStringLiteral("--poste"),
               QStringLiteral("--mac"),         QStringLiteral("--ip"),       QStringLiteral("--delai"),
               QStringLiteral("--attente")};
        if (!avecValeur.contains(a))
            return refuser(a.startsWith(QLatin1String("--")) ? QStringLiteral("option inconnue : ") + a
                                                             : QStringLiteral("argument inattendu : ") + a);
        if (i + 1 >= arguments.size())
            return refuser(QStringLiteral("valeur manquante après ") + a);
        const QString v = arguments.at(++i);
        if (a == QLatin1String("--hote"))
            o.Hote = v;
        else if (a == QLatin1String("--port")) {
            if (!port(v, &o.PortControle))
                return refuser(QStringLiteral("port de contrôle invalide : ") + v);
        } else if (a == QLatin1String("--port-transfert")) {
            if (!port(v, &o.PortTransfert))
                return refuser(QStringLiteral("port de transfert invalide : ") + v);
        } else if (a == QLatin1String("--utilisateur"))
            o.Utilisateur = v;
        else if (a == QLatin1String("--version"))
            o.Version = v;
        else if (a == QLatin1String("--recuperer"))
            o.Recuperer.append(v);
        else if (a == QLatin1String("--dossier"))
            o.Dossier = v;
        else if (a == QLatin1String("--signaler"))
            o.Signaler = v;
        else if (a == QLatin1String("--poste"))
            o.Poste = v;
        else if (a == QLatin1String("--mac"))
            o.AdresseMAC = v;
        else if (a == QLatin1String("--ip"))
            o.AdresseIP = v;
        else if (a == QLatin1String("--delai")) {
            if (!duree(v, &o.Delai))
                return refuser(QStringLiteral("délai invalide : ") + v);
        } else if (a == QLatin1String("--attente")) {
            if (!duree(v, &o.AttenteAnnonce))
                return refuser(QStringLiteral("attente invalide : ") + v);
        } else
            return refuser(QStringLiteral("option inconnue : ") + a);
    }
    if (o.Aide)
        return o;
    if (o.Telecharger && o.Version.isEmpty())
        return refuser(QStringLiteral("--telecharger demande --version"));
    if (!o.UtiliseControle() && o.Recuperer.isEmpty())
        return refuser(QStringLiteral("rien à faire : indiquez --utilisateur, --version, --recuperer ou --signaler"));
    return o;
}

QString OptionsPoste::Usage()
{
    return QStringLiteral(
        "Usage : quentaris-poste [options]\n"
        "Parle au serveur de mise à jour QUENTARIS comme le fait un poste de travail, pour le\n"
        "diagnostic d'un site et pour les tests. Les étapes demandées se font dans cet ordre :\n"
        "annonce de l'utilisateur, demande de la liste, téléchargements, déclaration de version.\n"
        "\n"
        "  --hote ADRESSE        serveur à joindre (défaut : 127.0.0.1)\n"
        "  --port N              port de contrôle du serveur, celui de configserv.ini (défaut : 28000)\n"
        "  --port-transfert N    port de transfert des fichiers (défaut : 28001)\n"
        "  --utilisateur NOM     annonce l'utilisateur NOM (NOMUSR) ; le serveur répond MAJSRV quand\n"
        "                        NOM est responsable des mises à jour et que des mises à jour du\n"
        "                        serveur attendent leur installation\n"
        "  --version V           demande les mises à jour qui manquent à un poste en version V (VMAJ01)\n"
        "  --telecharger         avec --version : récupère chaque fichier de la liste reçue\n"
        "  --recuperer V         récupère le fichier de mise à jour du poste de la version V (RCPMAJ,\n"
        "                        OKMAJ0) ; peut être répétée\n"
        "  --dossier DOSSIER     dossier où les fichiers sont écrits, chacun sous le nom de sa\n"
        "                        version (défaut : le dossier courant) ; la taille annoncée est\n"
        "                        vérifiée et exactement ce nombre d'octets est gardé\n"
        "  --signaler V          déclare la version V installée sur le poste (ENRMAJ)\n"
        "  --poste NOM           nom du poste déclaré (défaut : le nom de cette machine)\n"
        "  --mac ADRESSE         adresse matérielle déclarée (défaut : 00-00-00-00-00-00)\n"
        "  --ip ADRESSE          adresse réseau déclarée (défaut : l'adresse locale de la connexion)\n"
        "  --delai MS            attente maximale d'une réponse, en millisecondes (défaut : 10000)\n"
        "  --attente MS          attente d'une réponse éventuelle après l'annonce et la déclaration,\n"
        "                        qui n'en appellent pas toujours (défaut : 1000)\n"
        "  --help                affiche cette aide\n"
        "\n"
        "Code de sortie : 0 quand tout a réussi, 1 à la moindre erreur (serveur injoignable, pas\n"
        "de réponse, INSSRV, ERREURTRANS, taille incorrecte), 2 pour une ligne de commande invalide.\n");
}
