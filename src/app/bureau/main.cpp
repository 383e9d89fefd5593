#include "app/bureau/Assemblage.h"
#include "app/bureau/AttenteService.h"
#include "app/bureau/ConsoleAttachee.h"
#include "app/bureau/DemandesArret.h"
#include "app/bureau/SessionBureau.h"
#include "app/liaison/Liaison.h"
#include "console/PreparationApplication.h"
#include "console/commun/MessagesConsole.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/Frm_Reseau.h"
#include "core/LigneDeCommande.h"
#include "core/Messages.h"
#include "core/SauvegardeBase.h"
#include "core/Sortie.h"
#include "platform/SignauxArret.h"
#include "platform/Systeme.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

QStringList arguments(int argc, char** argv)
{
    QStringList liste;
    for (int i = 1; i < argc; ++i)
        liste.append(QString::fromLocal8Bit(argv[i]));
    return liste;
}

void ecrire(FILE* flux, const QString& texte)
{
    std::fputs(texte.toLocal8Bit().constData(), flux);
}

} // namespace

int main(int argc, char** argv)
{
    // Qt's warnings carry their time like the program's own lines.
    Messages::RedirigerMessagesQt();
    const LigneDeCommande ligne = LigneDeCommande::Analyser(arguments(argc, argv));
    if (!ligne.Valide) {
        ecrire(stderr,
               QStringLiteral("quentaris-serveur : ") + ligne.Erreur + QStringLiteral("\n\n")
                   + LigneDeCommande::Usage());
        return 2;
    }
    if (ligne.Aide) {
        ecrire(stdout, LigneDeCommande::Usage());
        return 0;
    }
    if (ligne.Version) {
        ecrire(stdout, QStringLiteral("quentaris-serveur " QUENTARIS_VERSION "\n"));
        return 0;
    }
    if (ligne.Chiffrer) {
        ecrire(stdout,
               ChiffrementMotDePasse::Chiffrer(ligne.TexteAChiffrer, ChiffrementMotDePasse::Cle())
                   + QStringLiteral("\n"));
        return 0;
    }
    if (ligne.InitDb || !ligne.Sauvegarde.isEmpty()) {
        QCoreApplication app(argc, argv);
        const QString dossier = ligne.Dossier.isEmpty() ? QCoreApplication::applicationDirPath() : ligne.Dossier;
        const QString base = QDir(dossier).filePath(BaseInterne::NomFichier());
        QString erreur;
        if (ligne.InitDb) {
            const bool ok = BaseInterne::Initialiser(base, &erreur);
            BaseInterne::Fermer();
            if (!ok) {
                ecrire(stderr,
                       QStringLiteral("quentaris-serveur : base interne non créée : ") + erreur + QStringLiteral("\n"));
                return 1;
            }
        }
        if (!ligne.Sauvegarde.isEmpty() && !SauvegardeBase::Sauvegarder(base, ligne.Sauvegarde, &erreur)) {
            ecrire(stderr,
                   QStringLiteral("quentaris-serveur : base interne non sauvegardée : ") + erreur
                       + QStringLiteral("\n"));
            return 1;
        }
        return 0;
    }

    QApplication app(argc, argv);
    PreparerApplication();
    Systeme::AugmenterLimiteFichiers();

    const QString dossier
        = QDir(ligne.Dossier.isEmpty() ? QCoreApplication::applicationDirPath() : ligne.Dossier).absolutePath();
    const bool autostart = ligne.Autostart;

    // One desktop program per session, whichever way it runs. A second copy says so, then shows
    // the running copy's menu.
    SessionBureau session;
    if (!session.Prendre(dossier)) {
        if (autostart) {
            Sortie::Ecrire(QStringLiteral(
                "Le serveur de mise à jour est déjà en cours d'exécution : démarrage automatique ignoré."));
            return 0;
        }
        MessagesConsole boites;
        Messages::Installer(&boites);
        Messages::Afficher(nullptr, Frm_Reseau::MessageDeuxiemeCopie());
        Messages::Installer(nullptr);
        // Queued: a channel that cannot be reached fails within the request, before the loop runs.
        QObject::connect(
            &session, &SessionBureau::Transmise, &app, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        session.DemanderMenu();
        return app.exec();
    }

    const auto finir = [autostart](const QString& message) {
        // A login autostart ends without a box.
        if (autostart)
            Sortie::Ecrire(message);
        else
            Messages::Afficher(nullptr, message);
        QCoreApplication::exit(autostart ? 0 : 1);
    };

    // The server and its console in this process, as long as no service runs on the folder.
    std::unique_ptr<Assemblage> serveur;
    std::unique_ptr<DemandesArret> arret;
    const auto demarrerIci = [&] {
        serveur = std::make_unique<Assemblage>();
        QObject::connect(&serveur->Reseau, &Frm_Reseau::Fin, &app, [](int code) { QCoreApplication::exit(code); });
        arret = std::make_unique<DemandesArret>(serveur->Reseau);
        QTimer::singleShot(0, serveur.get(), [&] { serveur->Demarrer(dossier, autostart); });
    };

    // A service on this program folder: this program is its console, never a second server.
    std::unique_ptr<ConsoleAttachee> console;
    std::unique_ptr<AttenteService> attente;
    std::unique_ptr<SignauxArret> signaux;
    QObject::connect(&session, &SessionBureau::MenuDemande, &app, [&] {
        if (serveur)
            serveur->Console_.MontrerMenu();
        else if (attente && attente->EnAttente())
            attente->RappelerAvis();
        else if (console)
            console->Console_.MontrerMenu();
    });
    // The folder is the service's once it has run there, whether it answers now or not.
    const bool dossierDuService = Systeme::InstanceUnique::MarqueDuService(dossier);
    const QString socket = Liaison::CheminDansLeDossier(dossier);
    const QFileInfo infoSocket(socket);
    if (!dossierDuService && !infoSocket.exists() && !infoSocket.isSymLink()) {
        demarrerIci();
        return app.exec();
    }
    console = std::make_unique<ConsoleAttachee>();
    attente = std::make_unique<AttenteService>(*console, dossier);
    QObject::connect(console.get(), &ConsoleAttachee::Refusee, &app, finir);
    QObject::connect(console.get(), &ConsoleAttachee::Fin, &app, [](int code) { QCoreApplication::exit(code); });
    QObject::connect(console.get(), &ConsoleAttachee::Injoignable, &app, [&](const QString& raison) {
        if (dossierDuService) {
            attente->Injoignable(raison);
            return;
        }
        if (Systeme::InstanceUnique::DossierOccupe(dossier)) {
            finir(QStringLiteral("Le service de mise à jour fonctionne sur ce dossier, mais sa console est "
                                 "injoignable (")
                  + socket + QStringLiteral(" : ") + raison + QStringLiteral(")."));
            return;
        }
        // What a stopped service left behind on a folder it never ran on: the server runs here.
        QTimer::singleShot(0, &app, [&] {
            attente.reset();
            console.reset();
            // Only the server's check answers SIGTERM from now on.
            signaux.reset();
            demarrerIci();
        });
    });
    // A console ends with the session or the system; the service goes on.
    signaux = std::make_unique<SignauxArret>();
    QObject::connect(signaux.get(), &SignauxArret::arretDemande, &app, [] { QCoreApplication::exit(0); });
    console->Connecter(dossier);
    return app.exec();
}
