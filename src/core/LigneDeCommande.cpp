#include "LigneDeCommande.h"

LigneDeCommande LigneDeCommande::Analyser(const QStringList& arguments)
{
    LigneDeCommande l;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        const bool suivant = i + 1 < arguments.size();
        if (a == QLatin1String("--home") && suivant) {
            l.Dossier = arguments.at(++i);
        } else if (a == QLatin1String("--init-db")) {
            l.InitDb = true;
        } else if (a == QLatin1String("--sauvegarde") && suivant && !arguments.at(i + 1).isEmpty()) {
            l.Sauvegarde = arguments.at(++i);
        } else if (a == QLatin1String("--chiffrer") && suivant) {
            l.Chiffrer = true;
            l.TexteAChiffrer = arguments.at(++i);
        } else if (a == QLatin1String("--autostart")) {
            l.Autostart = true;
        } else if (a == QLatin1String("--version")) {
            l.Version = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            l.Aide = true;
        } else {
            l.Valide = false;
            l.Erreur = QStringLiteral("argument non reconnu ou incomplet : ") + a;
            break;
        }
    }
    return l;
}

QString LigneDeCommande::Usage()
{
    return QStringLiteral(
        "Usage : quentaris-serveur [--home DOSSIER] [--init-db] [--sauvegarde FICHIER] [--chiffrer TEXTE]\n"
        "                         [--autostart] [--version] [--help]\n"
        "\n"
        "Serveur de mises à jour QUENTARIS : récupère les mises à jour auprès du service de l'éditeur,\n"
        "les distribue aux postes de travail et installe les mises à jour du serveur.\n"
        "\n"
        "Options :\n"
        "  --home DOSSIER    dossier du programme (par défaut : le dossier de l'exécutable)\n"
        "  --init-db         crée donnees.db (ou ajoute les tables manquantes) puis s'arrête\n"
        "  --sauvegarde FICHIER  copie la base interne dans FICHIER, même pendant que le serveur\n"
        "                    fonctionne : copie complète et contrôlée, ou aucun fichier\n"
        "  --chiffrer TEXTE  affiche TEXTE chiffré comme les paramètres conservent un mot de passe\n"
        "  --autostart       démarrage de session : sans droits d'administrateur ou si le serveur\n"
        "                    tourne déjà, s'arrête sans message\n"
        "  --version         affiche la version\n"
        "  --help            affiche cette aide\n"
        "\n"
        "Dossier du programme : configserv.ini, donnees.db, MajProgServeur (programme de mise à jour).\n"
        "\n"
        "configserv.ini : la première ligne donne le port de contrôle (PORT=28000 ou 28000) ;\n"
        "lignes facultatives NOM=valeur :\n"
        "  SERVICE=http://quentaris.fr        adresse du service de mises à jour de l'éditeur\n"
        "  PORT_TRANSFERT=28001               port du canal de transfert (tests uniquement)\n"
        "  DOSSIER_SYSTEME=/etc               dossier de quentaris.ini\n"
        "  DOSSIER_SERVEUR=/opt/quentaris/Serveur  dossier d'installation du serveur\n"
        "  PARTAGE_UNIDATA=/srv/unidata       partage du serveur de bases (BASES.TXT)\n"
        "\n"
        "quentaris.ini (dans DOSSIER_SYSTEME) : la ligne SERVEUR=hôte donne le serveur de bases\n"
        "UniDATA ; chaque autre ligne NOM=dossier donne le dossier d'une base de données.\n");
}
