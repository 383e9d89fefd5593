// Opens the event viewer on a journal of N events and prints how long the opening (creation,
// reading of the journal, first full drawing) and a reload take. Usage: bench_journal [N]

#include "console/journal/Frm_ObsEvt.h"
#include "core/BaseInterne.h"
#include "core/Journal.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int nombre = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dossier;
    BaseInterne::Initialiser(QDir(dossier.path()).filePath(BaseInterne::NomFichier()));
    {
        BaseInterne::Transaction transaction;
        for (int i = 0; i < nombre; ++i)
            AjouterEvenement(i % 3,
                             QStringLiteral("Le téléchargement de la mise à jour ") + QString::number(i)
                                 + QStringLiteral(" a été effectué avec succès."));
        transaction.Valider();
    }

    QElapsedTimer chrono;
    chrono.start();
    Frm_ObsEvt* fenetre = Frm_ObsEvt::Afficher();
    fenetre->repaint();
    const double ouverture = chrono.nsecsElapsed() / 1e6;
    chrono.restart();
    fenetre->ChargerEvt();
    fenetre->repaint();
    const double rechargement = chrono.nsecsElapsed() / 1e6;

    std::printf("observateur d'évènements, %d évènements : ouverture %.0f ms (objectif < 1000 ms), "
                "actualisation %.0f ms, lignes %d\n",
                nombre, ouverture, rechargement, fenetre->Lst_Evt()->model()->rowCount());
    delete fenetre;
    return 0;
}
