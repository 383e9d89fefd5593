#include "console/Assemblage.h"
#include "console/PreparationApplication.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/LigneDeCommande.h"
#include "core/Messages.h"
#include "platform/SignauxArret.h"
#include "platform/Systeme.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>

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
    if (ligne.InitDb) {
        QCoreApplication app(argc, argv);
        const QString dossier = ligne.Dossier.isEmpty() ? QCoreApplication::applicationDirPath() : ligne.Dossier;
        QString erreur;
        const bool ok = BaseInterne::Initialiser(QDir(dossier).filePath(BaseInterne::NomFichier()), &erreur);
        BaseInterne::Fermer();
        if (!ok) {
            ecrire(stderr,
                   QStringLiteral("quentaris-serveur : base interne non créée : ") + erreur + QStringLiteral("\n"));
            return 1;
        }
        return 0;
    }

    QApplication app(argc, argv);
    PreparerApplication();
    Systeme::AugmenterLimiteFichiers();

    const QString dossier
        = QDir(ligne.Dossier.isEmpty() ? QCoreApplication::applicationDirPath() : ligne.Dossier).absolutePath();
    Assemblage serveur;
    QObject::connect(&serveur.Reseau, &Frm_Reseau::Fin, &app, [](int code) { QCoreApplication::exit(code); });

    SignauxArret signaux;
    QObject::connect(&signaux, &SignauxArret::arretDemande, &serveur, [&serveur] {
        if (serveur.Reseau.DemandeFermeture())
            serveur.Reseau.Arreter(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &serveur, [&serveur](QSessionManager& session) {
        if (serveur.Reseau.PostesConnectes() == 0)
            return;
        // The refusal may be shown, and the logout cancelled, only once the session manager
        // grants the screen; without that grant the logout cannot be held back.
        if (!session.allowsInteraction())
            return;
        if (!serveur.Reseau.DemandeFermeture())
            session.cancel();
        session.release();
    });

    QTimer::singleShot(0, &serveur, [&] { serveur.Demarrer(dossier, ligne.Autostart); });
    return app.exec();
}
