#include "app/bureau/Assemblage.h"
#include "app/bureau/DemandesArret.h"
#include "console/PreparationApplication.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/LigneDeCommande.h"
#include "core/Messages.h"
#include "core/SauvegardeBase.h"
#include "platform/Systeme.h"

#include <QApplication>
#include <QDir>
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
    Assemblage serveur;
    QObject::connect(&serveur.Reseau, &Frm_Reseau::Fin, &app, [](int code) { QCoreApplication::exit(code); });

    DemandesArret arret(serveur.Reseau);

    QTimer::singleShot(0, &serveur, [&] { serveur.Demarrer(dossier, ligne.Autostart); });
    return app.exec();
}
