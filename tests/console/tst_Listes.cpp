#include "console/AccesServeurLocal.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/postes/Frm_SuiviMAJ.h"
#include "console/verification/Frm_MAJDispo.h"
#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/TableMajDispo.h"
#include "core/TablePostes.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/Textes.h"
#include "workstations/ServeurPostes.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// The texts of one column, top to bottom.
QStringList colonne(const QTreeView* liste, int numero)
{
    QStringList textes;
    for (int ligne = 0; ligne < liste->model()->rowCount(); ++ligne)
        textes.append(liste->model()->index(ligne, numero).data().toString());
    return textes;
}

void cliquerEntete(QTreeView* liste, int section)
{
    QHeaderView* entete = liste->header();
    QTest::mouseClick(entete->viewport(), Qt::LeftButton, {},
                      QPoint(entete->sectionViewportPosition(section) + 5, entete->height() / 2));
}

// Keys as the window system delivers them: to the window, and from there to the focus.
void touche(QWidget* fenetre, Qt::Key cle, Qt::KeyboardModifiers modificateurs = Qt::NoModifier)
{
    QTest::keyClick(fenetre->windowHandle(), cle, modificateurs);
}

} // namespace

// Lists as a person works them, on the real screens: the first row selected when the list opens
// (Down goes to the second), a click on a header sorting on what the column means, Ctrl+C
// copying the rows as shown, the Delete key doing what the screen's delete button does, and
// Return on a focused button pressing that button.
class TstListes : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;

private slots:
    void init() { m_dossier = std::make_unique<DossierTest>(); }
    void cleanup()
    {
        delete Frm_ObsEvt::Instance();
        Horloge::Reinitialiser();
        m_dossier.reset();
    }

    void journal()
    {
        // Written in this order, shown newest written first; by their dates as text, 02/01/2025
        // would come before 15/02/2024.
        for (const auto& [jour, message] :
             {std::pair{QDate(2024, 12, 31), "fin d'année"}, std::pair{QDate(2025, 1, 2), "janvier"},
              std::pair{QDate(2024, 2, 15), "février"}}) {
            Horloge::Regler(QDateTime(jour, QTime(9, 0)));
            AjouterEvenement(Information, QString::fromUtf8(message));
        }
        Frm_ObsEvt* f = Frm_ObsEvt::Afficher();
        QVERIFY(QTest::qWaitForWindowActive(f));
        QTreeView* liste = f->Lst_Evt();
        QCOMPARE(liste->currentIndex().row(), 0);
        QVERIFY(liste->selectionModel()->isRowSelected(0, QModelIndex()));
        liste->setFocus();
        touche(f, Qt::Key_Down);
        QCOMPARE(liste->currentIndex().row(), 1);
        QVERIFY(liste->selectionModel()->isRowSelected(1, QModelIndex()));

        cliquerEntete(liste, 1);
        QCOMPARE(colonne(liste, 2), Textes({"février", "fin d'année", "janvier"}));
        cliquerEntete(liste, 1);
        QCOMPARE(colonne(liste, 2), Textes({"janvier", "fin d'année", "février"}));
        // Return on the focused "Actualiser" reads the journal again; the order chosen holds, and
        // the first row is selected.
        Horloge::Regler(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
        AjouterEvenement(Anomalie, QStringLiteral("juin"));
        Enfant<QPushButton>(f, "Cmd_Actualiser")->setFocus();
        touche(f, Qt::Key_Return);
        QCOMPARE(colonne(liste, 2), Textes({"janvier", "fin d'année", "juin", "février"}));
        QCOMPARE(liste->currentIndex().row(), 0);
        QVERIFY(liste->selectionModel()->isRowSelected(0, QModelIndex()));

        liste->setFocus();
        QApplication::clipboard()->clear();
        touche(f, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("02/01/2025 à 09:00:00\tjanvier"));
        // Return on the row opens its detail, where Return on "Copier" copies and keeps it open.
        touche(f, Qt::Key_Return);
        QDialog* detail = nullptr;
        QTRY_VERIFY((detail = f->findChild<QDialog*>(QStringLiteral("Frm_DetailEvt"))));
        QVERIFY(QTest::qWaitForWindowActive(detail));
        QApplication::clipboard()->clear();
        Enfant<QPushButton>(detail, "Cmd_CopierTextErreur")->setFocus();
        touche(detail, Qt::Key_Return);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("janvier"));
        QVERIFY(detail->isVisible());
    }

    void telechargementsEtSuivi()
    {
        InterlocuteurScripte messages;
        // Versions sort as numbers: as text, 100 would come between 10 and 9.
        for (const auto& [version, date] : {std::pair{qint64(10), "2025-01-02"}, std::pair{qint64(100), "2024-12-31"},
                                            std::pair{qint64(9), "2025-03-01"}}) {
            MajDispo maj;
            maj.NumVersionDispo = version;
            maj.NomFichierMaj = QStringLiteral("maj%1.zip").arg(version);
            maj.DateMajDispo = QLatin1String(date);
            maj.HeureMajDispo = QStringLiteral("08:00:00");
            TableMajDispo::Inserer(maj);
        }
        QPointer<Frm_MAJDispo> telechargements = new Frm_MAJDispo;
        telechargements->show();
        auto* majs = Enfant<QTreeWidget>(telechargements, "Lst_MAJDispo");
        QCOMPARE(colonne(majs, 2), Textes({"9", "100", "10"}));
        QCOMPARE(majs->currentItem(), majs->topLevelItem(0));
        QVERIFY(majs->topLevelItem(0)->isSelected());
        cliquerEntete(majs, 2);
        QCOMPARE(colonne(majs, 2), Textes({"9", "10", "100"}));
        cliquerEntete(majs, 4);
        QCOMPARE(colonne(majs, 2), Textes({"100", "10", "9"}));
        majs->setCurrentItem(majs->topLevelItem(0));
        QVERIFY(QTest::qWaitForWindowActive(telechargements));
        majs->setFocus();
        touche(telechargements, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Poste\t100\tmaj100.zip\t31/12/2024 à 08:00:00\tNon"));
        delete telechargements;

        // The workstations: addresses part by part, and Delete asks before it deletes.
        Frm_Reseau reseau;
        ServeurPostes postes(reseau.Etat_());
        AccesServeurLocal acces(reseau, &postes);
        for (const char* adresse : {"10.0.0.10", "10.0.0.9", "10.0.0.100"}) {
            Poste p;
            p.NomPoste = QStringLiteral("PC-") + QLatin1String(adresse);
            p.AdresseIPPoste = QLatin1String(adresse);
            TablePostes::Inserer(p);
        }
        QPointer<Frm_SuiviMAJ> suivi = new Frm_SuiviMAJ(acces);
        suivi->show();
        QVERIFY(QTest::qWaitForWindowActive(suivi));
        auto* machines = Enfant<QTreeWidget>(suivi, "Lst_Machines");
        cliquerEntete(machines, 2);
        QCOMPARE(colonne(machines, 2), Textes({"10.0.0.9", "10.0.0.10", "10.0.0.100"}));
        machines->setCurrentItem(machines->topLevelItem(0));
        machines->setFocus();
        messages.Repondre(Reponse::Non);
        touche(suivi, Qt::Key_Delete);
        QCOMPARE(messages.Dernier(),
                 QStringLiteral("Voulez-vous vraiment supprimer la machine \"PC-10.0.0.9\" de la liste ?"));
        QCOMPARE(TablePostes::Tous().size(), 3);
        messages.Repondre(Reponse::Oui);
        touche(suivi, Qt::Key_Delete);
        QCOMPARE(messages.affiches.size(), 2);
        QCOMPARE(colonne(machines, 2), Textes({"10.0.0.10", "10.0.0.100"}));
        QVERIFY(machines->topLevelItem(0)->isSelected());
        delete suivi;
    }

    // Where the focus is shows at once, without the keyboard having moved it first: the frame
    // of a list in the highlight colour, and the style's focus frame on a button.
    void focusVisible()
    {
        QWidget fenetre;
        auto* liste = new QTreeWidget;
        new QTreeWidgetItem(liste, {QStringLiteral("DUPONT")});
        auto* bouton = new QPushButton(QStringLiteral("OK"));
        auto* texte = new QPlainTextEdit(QStringLiteral("message"));
        auto* colonne = new QVBoxLayout(&fenetre);
        colonne->addWidget(liste);
        colonne->addWidget(bouton);
        colonne->addWidget(texte);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowActive(&fenetre));
        const QColor surlignage = fenetre.palette().color(QPalette::Active, QPalette::Highlight);
        const auto vue = [](QWidget* w) {
            return w->grab().toImage();
        };
        for (QWidget* zone : {static_cast<QWidget*>(liste), static_cast<QWidget*>(texte)}) {
            bouton->setFocus(Qt::OtherFocusReason);
            QVERIFY(QColor(vue(zone).pixel(0, zone->height() / 2)) != surlignage);
            const QImage boutonAvecFocus = vue(bouton);
            zone->setFocus(Qt::OtherFocusReason);
            QCOMPARE(QColor(vue(zone).pixel(0, zone->height() / 2)), surlignage);
            QVERIFY(vue(bouton) != boutonAvecFocus);
        }
        QVERIFY(!fenetre.testAttribute(Qt::WA_KeyboardFocusChange));
    }
};

QUENTARIS_TEST(TstListes)
#include "tst_Listes.moc"
