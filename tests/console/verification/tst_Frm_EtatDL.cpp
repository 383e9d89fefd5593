#include "acquisition/RequeteWeb.h"
#include "app/bureau/Assemblage.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/menu/Frm_Menu.h"
#include "console/verification/Frm_EtatDL.h"
#include "console/verification/Frm_InfoBulle.h"
#include "console/verification/StatutVerificationConsole.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/InterlocuteurScripte.h"
#include "support/JournalTest.h"
#include "support/LimitesTest.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTreeView>

namespace {

QWidget* fenetre(const char* nom)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(nom))
            return w;
    return nullptr;
}

// Every visible control of the window lies inside it and gets at least the height it asks for
// (or the height it is held to).
bool contenuEntier(QWidget* fenetre)
{
    for (QWidget* w : fenetre->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(fenetre))
            continue;
        const QRect zone(w->mapTo(fenetre, QPoint(0, 0)), w->size());
        const int hauteurDemandee = qMin(w->minimumSizeHint().height(), w->maximumHeight());
        if (!fenetre->rect().contains(zone) || w->height() < hauteurDemandee)
            return false;
    }
    return true;
}

} // namespace

class TstFrm_EtatDL : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { delete Frm_ObsEvt::Instance(); }

    // A manual check: the status window with the busy pointer, the download text and its
    // progress, then the event viewer once the window has gone.
    // Nothing is clipped before a download starts nor once its progress bar shows.
    void fenetresAssezGrandesPourLeurContenu()
    {
        Frm_EtatDL etat;
        Frm_InfoBulle bulle;
        for (QWidget* w : {static_cast<QWidget*>(&etat), static_cast<QWidget*>(&bulle)}) {
            w->show();
            QVERIFY(contenuEntier(w));
        }
        etat.EcrireTexte(QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."));
        etat.Progression(0, 409600);
        bulle.EcrireTexte(QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."));
        bulle.Progression(0, 409600);
        for (QWidget* w : {static_cast<QWidget*>(&etat), static_cast<QWidget*>(&bulle)}) {
            QTRY_VERIFY(w->findChild<QProgressBar*>()->isVisible());
            QTRY_VERIFY(contenuEntier(w));
            QVERIFY(w->size().expandedTo(w->sizeHint()) == w->size());
        }
    }

    void statutManuel()
    {
        DossierTest dossier;
        StatutVerificationConsole statut;
        statut.Ouvrir(true);
        QWidget* f = fenetre("Frm_EtatDL");
        QVERIFY(f);
        QCOMPARE(f->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(Enfant<QLabel>(f, "Etq_Texte")->text(),
                 QStringLiteral("Vérification de la présence de mises à jour en cours ..."));
        QCOMPARE(Enfant<QLabel>(f, "Label4")->text(), QStringLiteral("Dialogue avec le serveur distant en cours ..."));
        QVERIFY(Enfant<QWidget>(f, "VelmoGIF1"));
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        auto* barre = Enfant<QProgressBar>(f, "Prg_Telechargement");
        QVERIFY(!barre->isVisible());

        statut.Telechargement(QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."),
                              3 * 1024 * 1024 * 1024LL);
        QCOMPARE(Enfant<QLabel>(f, "Etq_Texte")->text(),
                 QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."));
        QVERIFY(barre->isVisible());
        QCOMPARE(barre->value(), 0);
        statut.Progression(1024 * 1024 * 1024LL); // sizes beyond 32 bits
        QCOMPARE(barre->value(), 333);
        statut.Progression(3 * 1024 * 1024 * 1024LL);
        QCOMPARE(barre->value(), barre->maximum());

        QVERIFY(!Frm_ObsEvt::Instance());
        statut.Fermer(true);
        QTRY_VERIFY(!fenetre("Frm_EtatDL"));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(Frm_ObsEvt::Instance() && Frm_ObsEvt::Instance()->isVisible());
    }

    // A scheduled check: the balloon stays above other windows without taking the focus,
    // shows the download, and goes away at the end without opening the viewer.
    void bulleDeVerificationPlanifiee()
    {
        StatutVerificationConsole statut;
        statut.Ouvrir(false);
        QWidget* b = fenetre("Frm_InfoBulle");
        QVERIFY(b);
        QVERIFY(b->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(b->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(b->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(!fenetre("Frm_EtatDL"));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(
            Enfant<QLabel>(b, "Etq_MiseAJourEnCours")->text(),
            QStringLiteral("Verification des mises à jour en cours ... Ne pas éteindre le serveur s'il vous plait !"));
        const QRect ecran = QApplication::primaryScreen()->geometry();
        QVERIFY(ecran.contains(b->frameGeometry()));

        statut.Telechargement(QStringLiteral("Téléchargement de la mise à jour 7 en cours ..."), 200);
        statut.Progression(50);
        QCOMPARE(Enfant<QLabel>(b, "Etq_MiseAJourEnCours")->text(),
                 QStringLiteral("Téléchargement de la mise à jour 7 en cours ..."));
        QCOMPARE(Enfant<QProgressBar>(b, "Prg_Telechargement")->value(), 250);
        statut.Fermer(false);
        QTRY_VERIFY(!fenetre("Frm_InfoBulle"));
        QVERIFY(!Frm_ObsEvt::Instance());
    }

    // "Rechercher mises à jour" runs the check at once, refuses a second one meanwhile, and
    // ends with the event viewer showing the outcome.
    void entreeDuMenu()
    {
        DossierTest dossier;
        SimulateurTest sim;
        sim.Ajouter(1001, QStringLiteral("majs/MAJ1001.zip"), QStringLiteral("0"), SimulateurTest::Contenu(1001, 5000));
        sim.Service().Bloque = true;
        Assemblage serveur;
        InterlocuteurScripte messages;
        Etat& etat = serveur.Reseau.Etat_();
        etat.Config.Service = sim.Adresse();
        etat.EmplacementMaj = dossier.DossierMaj();
        etat.W_User = QStringLiteral("61742");
        LimitesWeb limites;
        limites.SansDonneesMs = 2000;
        limites.RelancesMs.clear();
        LimitesTest sansRelance(limites);

        serveur.Console_.OuvrirMenu();
        serveur.Console_.Menu()->ActionClick(2);
        QTRY_VERIFY(!serveur.Console_.Menu() || !serveur.Console_.Menu()->isVisible());
        QVERIFY(fenetre("Frm_EtatDL"));
        QTRY_COMPARE(sim.Service().Recues.size(), 2); // held on the download

        serveur.Console_.OuvrirMenu();
        serveur.Console_.Menu()->ActionClick(2);
        QTRY_COMPARE(messages.Textes(),
                     QStringList{QStringLiteral("Une recherche de mises à jour est déjà en cours. Veuillez attendre la "
                                                "fin de celle-ci avant d'en demander une nouvelle.")});
        QVERIFY(etat.VerificationEnCours());

        // The held download gives up; the check ends and the viewer shows its journal.
        QTRY_VERIFY_WITH_TIMEOUT(!etat.VerificationEnCours(), 10000);
        QTRY_VERIFY(Frm_ObsEvt::Instance());
        QVERIFY(!fenetre("Frm_EtatDL"));
        QCOMPARE(Frm_ObsEvt::Instance()->Lst_Evt()->model()->rowCount(), LignesJournal().size());
        QVERIFY(serveur.Reseau.Tim_VerifMAJ.isActive());
    }
};

QUENTARIS_TEST(TstFrm_EtatDL)
#include "tst_Frm_EtatDL.moc"
