// quentaris-simulateur: plays the maker's update service on a local port, for `make run`,
// the benchmarks and manual trials. Prints "PORT=<n>" once it listens.

#include "PreparationDemo.h"
#include "ServiceSimule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quentaris-simulateur"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Simulateur du service de mises à jour QUENTARIS."));
    options.addHelpOption();
    const QCommandLineOption dossier(QStringLiteral("dossier"), QStringLiteral("Dossier des mises à jour servies."),
                                     QStringLiteral("DOSSIER"));
    const QCommandLineOption adresse(QStringLiteral("adresse"), QStringLiteral("Adresse d'écoute (127.0.0.1)."),
                                     QStringLiteral("IP"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port d'écoute (0 : un port libre)."),
                                  QStringLiteral("PORT"), QStringLiteral("0"));
    const QCommandLineOption utilisateur(QStringLiteral("utilisateur"), QStringLiteral("Compte accepté."),
                                         QStringLiteral("NOM"));
    const QCommandLineOption motDePasse(QStringLiteral("mot-de-passe"), QStringLiteral("Mot de passe accepté."),
                                        QStringLiteral("TEXTE"));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("Le compte est désactivé."));
    const QCommandLineOption ecart(QStringLiteral("ecart-taille"),
                                   QStringLiteral("Octets ajoutés (ou retirés) à chaque fichier servi."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption statut(QStringLiteral("statut-fichiers"),
                                    QStringLiteral("Statut HTTP de chaque téléchargement."), QStringLiteral("N"),
                                    QStringLiteral("200"));
    const QCommandLineOption pause(QStringLiteral("pause"),
                                   QStringLiteral("Pause (ms) entre deux morceaux d'un fichier."), QStringLiteral("MS"),
                                   QStringLiteral("0"));
    const QCommandLineOption filet(QStringLiteral("filet"),
                                   QStringLiteral("Octets de chaque morceau envoyé avec --pause (4096)."),
                                   QStringLiteral("N"), QStringLiteral("4096"));
    const QCommandLineOption sansFin(QStringLiteral("sans-fin"), QStringLiteral("Les fichiers ne finissent jamais."));
    const QCommandLineOption coupure(QStringLiteral("coupure"),
                                     QStringLiteral("Coupe la connexion du premier fichier servi après N octets."),
                                     QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption coupureRepetee(QStringLiteral("coupure-repetee"),
                                            QStringLiteral("Avec --coupure : coupe chaque fichier servi."));
    const QCommandLineOption coupures(
        QStringLiteral("coupures"),
        QStringLiteral(
            "Coupe chaque fichier servi à ces nombres d'octets tour à tour, en boucle (0 : pas de coupure)."),
        QStringLiteral("N,M,…"));
    const QCommandLineOption plagesIgnorees(
        QStringLiteral("plages-ignorees"),
        QStringLiteral("Répond à une demande de plage (Range) par le fichier entier (200)."));
    const QCommandLineOption echecs(QStringLiteral("echecs-temporaires"),
                                    QStringLiteral("Répond 503 aux N premiers téléchargements."), QStringLiteral("N"),
                                    QStringLiteral("0"));
    const QCommandLineOption rediriger(
        QStringLiteral("rediriger"),
        QStringLiteral("Renvoie les requêtes de CHEMIN vers CIBLE (chemin ou adresse) avec STATUT ; répétable."),
        QStringLiteral("STATUT,CHEMIN,CIBLE"));
    const QCommandLineOption acquittement(QStringLiteral("acquittement"),
                                          QStringLiteral("Réponse aux accusés de téléchargement."),
                                          QStringLiteral("TEXTE"), QStringLiteral("OK"));
    const QCommandLineOption acquittementsRetenus(
        QStringLiteral("retenir-acquittements"),
        QStringLiteral("Ne répond jamais aux accusés de téléchargement (la connexion reste ouverte)."));
    const QCommandLineOption bavard(QStringLiteral("bavard"), QStringLiteral("Écrit chaque requête reçue."));
    const QCommandLineOption creerDemo(QStringLiteral("creer-demo"),
                                       QStringLiteral("Crée un dossier de mises à jour de démonstration et sort."),
                                       QStringLiteral("DOSSIER"));
    const QCommandLineOption parametresDemo(
        QStringLiteral("parametres-demo"),
        QStringLiteral("Écrit la ligne de paramètres de démonstration dans DOSSIER/donnees.db et sort."),
        QStringLiteral("DOSSIER"));
    options.addOptions({dossier,        adresse, port,      utilisateur,  motDePasse, refuse,         ecart,
                        statut,         pause,   filet,     sansFin,      coupure,    coupureRepetee, coupures,
                        plagesIgnorees, echecs,  rediriger, acquittement, bavard,     creerDemo,      parametresDemo});
    options.addOption(acquittementsRetenus);
    options.process(app);

    QString erreur;
    if (options.isSet(creerDemo) || options.isSet(parametresDemo)) {
        if (options.isSet(creerDemo) && !PreparationDemo::CreerService(options.value(creerDemo), &erreur)) {
            std::fprintf(stderr, "%s\n", qPrintable(erreur));
            return 1;
        }
        if (options.isSet(parametresDemo)
            && !PreparationDemo::EcrireParametres(options.value(parametresDemo), options.value(utilisateur),
                                                  options.value(motDePasse), &erreur)) {
            std::fprintf(stderr, "%s\n", qPrintable(erreur));
            return 1;
        }
        return 0;
    }

    if (!options.isSet(dossier)) {
        std::fprintf(stderr, "--dossier est obligatoire\n");
        return 2;
    }
    ServiceSimule service(options.value(dossier));
    if (!service.ChargerCatalogue(&erreur))
        std::fprintf(stderr, "catalogue ignoré : %s\n", qPrintable(erreur));
    service.Utilisateur = options.value(utilisateur);
    service.MotDePasse = options.value(motDePasse);
    service.CompteRefuse = options.isSet(refuse);
    service.EcartTaille = options.value(ecart).toLongLong();
    service.StatutFichiers = options.value(statut).toInt();
    service.PauseMs = options.value(pause).toInt();
    service.MorceauLent = options.value(filet).toLongLong();
    service.SansFin = options.isSet(sansFin);
    service.CoupureApres = options.value(coupure).toLongLong();
    service.CoupureRepetee = options.isSet(coupureRepetee);
    for (const QString& n : options.value(coupures).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        service.Coupures.append(n.trimmed().toLongLong(&ok));
        if (!ok || service.Coupures.last() < 0) {
            std::fprintf(stderr, "--coupures attend des nombres d'octets séparés par des virgules : %s\n",
                         qPrintable(options.value(coupures)));
            return 2;
        }
    }
    service.PlagesIgnorees = options.isSet(plagesIgnorees);
    service.EchecsTemporaires = options.value(echecs).toInt();
    for (const QString& r : options.values(rediriger)) {
        const QStringList champs = r.split(QLatin1Char(','));
        if (champs.size() != 3 || champs.at(0).toInt() < 300 || champs.at(0).toInt() > 399) {
            std::fprintf(stderr, "--rediriger attend STATUT,CHEMIN,CIBLE : %s\n", qPrintable(r));
            return 2;
        }
        service.Redirections.insert(champs.at(1), {champs.at(0).toInt(), champs.at(2)});
    }
    service.Acquittement = options.value(acquittement);
    service.AcquittementsRetenus = options.isSet(acquittementsRetenus);
    service.Bavard = options.isSet(bavard);
    if (!service.Ecouter(QHostAddress(options.value(adresse)), static_cast<quint16>(options.value(port).toUInt()))) {
        std::fprintf(stderr, "écoute impossible sur %s:%s\n", qPrintable(options.value(adresse)),
                     qPrintable(options.value(port)));
        return 1;
    }
    std::printf("PORT=%u\n", service.Port());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
