// Moves the update folder of a program folder to another folder, as the parameters screen does,
// in a process of its own that a test can kill at any step.
//     quentaris-deplacement-seul DOSSIER_PROGRAMME NOUVEAU_DOSSIER

#include "core/BaseInterne.h"
#include "core/DeplacementMaj.h"
#include "core/Etat.h"
#include "core/TableParametres.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fputs("usage : quentaris-deplacement-seul DOSSIER_PROGRAMME NOUVEAU_DOSSIER\n", stderr);
        return 2;
    }
    QString erreur;
    if (!BaseInterne::Ouvrir(QDir(arguments.at(1)).filePath(BaseInterne::NomFichier()), &erreur)) {
        std::fprintf(stderr, "%s\n", qPrintable(erreur));
        return 2;
    }
    Etat etat;
    etat.DossierProgramme = arguments.at(1);
    etat.EmplacementMaj = TableParametres::Lire().EmplacementMaj;
    DeplacementMaj deplacement(etat, [] { return 0; });
    QObject::connect(&deplacement, &DeplacementMaj::Termine, &app,
                     [](bool reussi) { QCoreApplication::exit(reussi ? 0 : 1); });
    deplacement.Demarrer(etat.EmplacementMaj, arguments.at(2));
    return app.exec();
}
