// Runs the workstation channels of the server on a program folder, as the server does, so that
// benchmarks measure them alone.
//
//   hote-postes DOSSIER [--remplir N] [--publier VERSION FICHIER] [--compte UTILISATEUR]
//               [--ecouter PORT_CONTROLE PORT_TRANSFERT]
//
// --remplir N: N workstation updates, versions 1 to N; version N-5 waits for the server update of
// the same version, which is installed. --publier: one workstation update served from the file
// FICHIER of the update folder DOSSIER/maj. --compte: the service account of the settings row,
// which then counts as configured, so that the server started on DOSSIER skips its first-start
// screen (no weekday is ticked: no scheduled check comes to disturb a measure). --ecouter: serves
// until SIGTERM; once listening, prints "pret" and the two ports (useful with port 0).

#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "platform/SignauxArret.h"
#include "platform/Systeme.h"
#include "workstations/ServeurPostes.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

qint64 ajouter(qint64 version, const QString& fichier, int environnement, bool condition)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = fichier;
    maj.EnvironnementMaj = environnement;
    maj.ConditionServeurMaj = condition;
    maj.DateMajDispo = QStringLiteral("2026-01-01");
    maj.HeureMajDispo = QStringLiteral("10:00:00");
    return TableMajDispo::Inserer(maj);
}

int usage()
{
    std::fprintf(stderr,
                 "usage : hote-postes DOSSIER [--remplir N] [--publier VERSION FICHIER] "
                 "[--compte UTILISATEUR] [--ecouter PORT_CONTROLE PORT_TRANSFERT]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return usage();
    const QString dossier = QDir(arguments.at(1)).absolutePath();
    QDir().mkpath(QDir(dossier).filePath(QStringLiteral("maj")));
    QString erreur;
    if (!BaseInterne::Initialiser(QDir(dossier).filePath(BaseInterne::NomFichier()), &erreur)) {
        std::fprintf(stderr, "base : %s\n", qPrintable(erreur));
        return 1;
    }
    if (!TableParametres::LireLigne1().Existe) {
        Parametres p;
        p.HeureVerifMaj = QStringLiteral("22:00");
        p.EmplacementMaj = QDir(dossier).filePath(QStringLiteral("maj"));
        TableParametres::Inserer(p);
    }

    quint16 portControle = 0;
    quint16 portTransfert = 0;
    bool ecouter = false;
    for (int i = 2; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--remplir") && i + 1 < arguments.size()) {
            const qint64 n = arguments.at(++i).toLongLong();
            BaseInterne::Transaction transaction;
            for (qint64 v = 1; v <= n; ++v) {
                if (v == n - 5) {
                    const qint64 id = ajouter(v, QStringLiteral("srv%1.zip").arg(v), 1, false);
                    TableMajAttente::Ajouter(id, QDate(2026, 1, 1));
                    BaseInterne::Commande(QStringLiteral("UPDATE MajAttente SET MajInstall = 1"));
                }
                ajouter(v, QStringLiteral("poste%1.zip").arg(v), 0, v == n - 5);
            }
            transaction.Valider();
        } else if (a == QLatin1String("--publier") && i + 2 < arguments.size()) {
            ajouter(arguments.at(i + 1).toLongLong(), arguments.at(i + 2), 0, false);
            i += 2;
        } else if (a == QLatin1String("--compte") && i + 1 < arguments.size()) {
            Parametres p = TableParametres::LireLigne1();
            p.UtilisateurMaj = arguments.at(++i);
            if (!TableParametres::MettreAJour(p)) {
                std::fprintf(stderr, "base : la ligne de paramètres n'a pas pu être écrite\n");
                return 1;
            }
        } else if (a == QLatin1String("--ecouter") && i + 2 < arguments.size()) {
            portControle = quint16(arguments.at(i + 1).toUInt());
            portTransfert = quint16(arguments.at(i + 2).toUInt());
            ecouter = true;
            i += 2;
        } else {
            return usage();
        }
    }
    if (!ecouter)
        return 0;

    Systeme::AugmenterLimiteFichiers();
    Etat etat;
    ServeurPostes serveur(etat);
    if (!serveur.Ecouter(portControle, portTransfert, &erreur)) {
        std::fprintf(stderr, "%s\n", qPrintable(erreur));
        return 1;
    }
    SignauxArret arret;
    QObject::connect(&arret, &SignauxArret::arretDemande, &app, [] { QCoreApplication::quit(); });
    std::printf("pret %u %u\n", serveur.PortControle(), serveur.PortTransfert());
    std::fflush(stdout);
    return app.exec();
}
