// quentaris-service: the update server as a system service, without any window. The people who
// administer it attach the console of the desktop program to its local socket.

#include "Service.h"
#include "core/BaseInterne.h"
#include "core/LigneDeCommande.h"
#include "core/Messages.h"
#include "platform/Systeme.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

namespace {

QString usage()
{
    return QStringLiteral("Usage : quentaris-service [--home DOSSIER] [--init-db] [--version] [--help]\n"
                          "\n"
                          "Serveur de mises à jour QUENTARIS en service du système, sans fenêtre : les\n"
                          "administrateurs l'administrent depuis la console de quentaris-serveur.\n"
                          "\n"
                          "Options :\n"
                          "  --home DOSSIER    dossier du programme (par défaut : le dossier de l'exécutable)\n"
                          "  --init-db         crée donnees.db (ou ajoute les tables manquantes) puis s'arrête\n"
                          "  --version         affiche la version\n"
                          "  --help            affiche cette aide\n");
}

void ecrire(FILE* flux, const QString& texte)
{
    std::fputs(texte.toLocal8Bit().constData(), flux);
}

} // namespace

int main(int argc, char** argv)
{
    Messages::RedirigerMessagesQt();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    LigneDeCommande ligne = LigneDeCommande::Analyser(arguments);
    // The desktop program's own options mean nothing here.
    if (ligne.Valide && (ligne.Chiffrer || ligne.Autostart || !ligne.Sauvegarde.isEmpty())) {
        ligne.Valide = false;
        ligne.Erreur = QStringLiteral("option réservée au programme quentaris-serveur");
    }
    if (!ligne.Valide) {
        ecrire(stderr, QStringLiteral("quentaris-service : ") + ligne.Erreur + QStringLiteral("\n\n") + usage());
        return 2;
    }
    if (ligne.Aide) {
        ecrire(stdout, usage());
        return 0;
    }
    if (ligne.Version) {
        ecrire(stdout, QStringLiteral("quentaris-service " QUENTARIS_VERSION "\n"));
        return 0;
    }

    QCoreApplication app(argc, argv);
    const QString dossier
        = QDir(ligne.Dossier.isEmpty() ? QCoreApplication::applicationDirPath() : ligne.Dossier).absolutePath();
    if (ligne.InitDb) {
        QString erreur;
        const bool ok = BaseInterne::Initialiser(QDir(dossier).filePath(BaseInterne::NomFichier()), &erreur);
        BaseInterne::Fermer();
        if (!ok)
            ecrire(stderr,
                   QStringLiteral("quentaris-service : base interne non créée : ") + erreur + QStringLiteral("\n"));
        return ok ? 0 : 1;
    }
    // The rights of what the service creates come from its unit's UMask: the program folder's
    // group reads them, nobody else, and only donnees.db is written by that group (SQLite gives
    // its side files the rights of the database).
    Systeme::AugmenterLimiteFichiers();

    Service service;
    QObject::connect(&service, &Service::Fin, &app, [](int code) { QCoreApplication::exit(code); });
    // From the event loop, so that a start that fails ends it.
    QTimer::singleShot(0, &service, [&service, dossier] {
        service.Demarrer(dossier, qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0));
    });
    return app.exec();
}
