#include "app/bureau/Assemblage.h"
#include "console/commun/Icones.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/journal/ModeleEvenements.h"
#include "console/menu/Frm_Menu.h"
#include "core/BaseInterne.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/Registre.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <QWindow>
#include <memory>

namespace {

void evenement(const QDateTime& moment, int type, const QString& message)
{
    Horloge::Regler(moment);
    AjouterEvenement(type, message);
}

QImage image(const QVariant& icone)
{
    return icone.value<QIcon>().pixmap(16, 16).toImage();
}

int fenetres(const char* nom)
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() && w->objectName() == QLatin1String(nom);
    return n;
}

void cliquer(QWidget* parent, const char* nom)
{
    QTest::mouseClick(Enfant<QPushButton>(parent, nom), Qt::LeftButton);
}

void doubleCliquer(QTreeView* liste, int ligne)
{
    const QRect zone = liste->visualRect(liste->model()->index(ligne, 2));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, Qt::NoModifier, zone.center());
    QTest::mouseDClick(liste->viewport(), Qt::LeftButton, Qt::NoModifier, zone.center());
}

// The open dialog of that name (a closed one may wait for its deletion).
QDialog* dialogue(QWidget* parent, const char* nom)
{
    for (QDialog* d : parent->findChildren<QDialog*>(QLatin1String(nom)))
        if (d->isVisible())
            return d;
    return nullptr;
}

} // namespace

class TstFrm_ObsEvt : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;

    Frm_ObsEvt* ouvrir()
    {
        Frm_ObsEvt* f = Frm_ObsEvt::Afficher();
        f->Lst_Evt()->resize(700, 300);
        return f;
    }

private slots:
    void init() { m_dossier = std::make_unique<DossierTest>(); }
    void cleanup()
    {
        delete Frm_ObsEvt::Instance();
        Horloge::Reinitialiser();
        QLocale::setDefault(QLocale::c());
        m_dossier.reset();
    }

    // Newest first; anomalies red, warnings blue, information in the default colour; each
    // type with its own icon; a type that is not a number shows as information.
    void ordreCouleursIcones()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 5, 33)), Information, QStringLiteral("info"));
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 5, 34)), Anomalie, QStringLiteral("n'as pas"));
        evenement(QDateTime(QDate(2024, 12, 9), QTime(9, 0, 0)), Avertissement, QStringLiteral("rien"));
        BaseInterne::Commande(QStringLiteral("INSERT INTO EvtMaj(TypeEvt, MessageEvt, DateEvt, HeureEvt) "
                                             "VALUES ('x', 'bizarre', '2024-12-10', '10:00:00')"));

        Frm_ObsEvt* f = ouvrir();
        QCOMPARE(f->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(Enfant<QLabel>(f, "Label1")->text(), QStringLiteral("Observateur d'évènements"));
        QCOMPARE(Enfant<QLabel>(f, "Label2")->text(), QStringLiteral("Information"));
        QCOMPARE(Enfant<QLabel>(f, "Label3")->text(), QStringLiteral("Anomalie"));
        QCOMPARE(Enfant<QLabel>(f, "Label4")->text(), QStringLiteral("Avertissement"));
        QCOMPARE(Enfant<QPushButton>(f, "Command1")->text(), QStringLiteral("Nettoyer la liste"));
        QAbstractItemModel* m = f->Lst_Evt()->model();
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString());
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Date et Heure"));
        QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Message"));
        QVERIFY(f->Lst_Evt()->isEnabled());
        QCOMPARE(m->rowCount(), 4);

        const QStringList dates = {QStringLiteral("10/12/2024 à 10:00:00"), QStringLiteral("09/12/2024 à 09:00:00"),
                                   QStringLiteral("08/12/2024 à 14:05:34"), QStringLiteral("08/12/2024 à 14:05:33")};
        const QStringList messages
            = {QStringLiteral("bizarre"), QStringLiteral("rien"), QStringLiteral("n'as pas"), QStringLiteral("info")};
        const QList<int> icones = {1, 3, 2, 1};
        const QList<QColor> couleurs = {QColor(), QColor(0, 0, 255), QColor(255, 0, 0), QColor()};
        const QList<QImage> images = {image(Icones::Information()), image(Icones::Avertissement()),
                                      image(Icones::Anomalie()), image(Icones::Information())};
        for (int ligne = 0; ligne < 4; ++ligne) {
            QCOMPARE(m->index(ligne, 1).data().toString(), dates.at(ligne));
            QCOMPARE(m->index(ligne, 2).data().toString(), messages.at(ligne));
            QCOMPARE(m->index(ligne, 0).data(ModeleEvenements::RoleIcone).toInt(), icones.at(ligne));
            QCOMPARE(image(m->index(ligne, 0).data(Qt::DecorationRole)), images.at(ligne));
            for (int colonne : {1, 2}) {
                const QVariant couleur = m->index(ligne, colonne).data(Qt::ForegroundRole);
                QCOMPARE(couleur.isValid() ? couleur.value<QBrush>().color() : QColor(), couleurs.at(ligne));
            }
        }
    }

    void indexDesIcones()
    {
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("0")), 1);
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("1")), 2);
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("2")), 3);
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("1.6")), 3);
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("abc")), 1);
        QCOMPARE(ModeleEvenements::IndexIcone(QString()), 1);
        QCOMPARE(ModeleEvenements::IndexIcone(QStringLiteral("1e300")), 1);
    }

    // An empty journal disables the list; a reload that finds events enables it again.
    void listeVideDesactivee()
    {
        Frm_ObsEvt* f = ouvrir();
        QVERIFY(!f->Lst_Evt()->isEnabled());
        cliquer(f, "Command1");
        QVERIFY(!dialogue(f, "Frm_NettoyageEvents"));
        AjouterEvenement(Avertissement, QStringLiteral("Aucune mise à jour disponible sur le serveur."));
        QCOMPARE(f->Lst_Evt()->model()->rowCount(), 0); // not refreshed by itself
        cliquer(f, "Cmd_Actualiser");
        QCOMPARE(f->Lst_Evt()->model()->rowCount(), 1);
        QVERIFY(f->Lst_Evt()->isEnabled());
    }

    // A journal that cannot be read says so in one greyed row, and offers no cleanup; once it
    // can be read again, "Actualiser" brings the events back.
    void journalIllisible()
    {
        AjouterEvenement(Information, QStringLiteral("un"));
        AutreProgramme autre(m_dossier->Fichier(BaseInterne::NomFichier()));
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE EvtMaj RENAME TO Cachee")));
        Frm_ObsEvt* f = ouvrir();
        QAbstractItemModel* m = f->Lst_Evt()->model();
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->index(0, 0).data().toString(),
                 QStringLiteral("Le journal des évènements ne peut pas être lu dans la base de données interne."));
        QCOMPARE(m->flags(m->index(0, 0)), Qt::NoItemFlags);
        QVERIFY(f->Lst_Evt()->isFirstColumnSpanned(0, QModelIndex()));
        QVERIFY(!f->Lst_Evt()->isEnabled());
        auto* nettoyer = Enfant<QPushButton>(f, "Command1");
        QVERIFY(!nettoyer->isEnabled());
        nettoyer->click();
        QVERIFY(!dialogue(f, "Frm_NettoyageEvents"));

        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO EvtMaj")));
        cliquer(f, "Cmd_Actualiser");
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("un"));
        QVERIFY(!f->Lst_Evt()->isFirstColumnSpanned(0, QModelIndex()));
        QVERIFY(f->Lst_Evt()->isEnabled());
        QVERIFY(nettoyer->isEnabled());

        // Read again (as the check status does) while it cannot be read.
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE EvtMaj RENAME TO Cachee")));
        Frm_ObsEvt::Afficher(true);
        QCOMPARE(m->index(0, 0).data().toString(),
                 QStringLiteral("Le journal des évènements ne peut pas être lu dans la base de données interne."));
        QVERIFY(!nettoyer->isEnabled());
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO EvtMaj")));
    }

    void detailEtCopie()
    {
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 5, 33)), Anomalie,
                  QStringLiteral("Le téléchargement de la mise à jour 12 n'as pas pu être effectué. "));
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 6, 0)), Information, QStringLiteral("dernier"));
        Frm_ObsEvt* f = ouvrir();
        doubleCliquer(f->Lst_Evt(), 1);
        QDialog* detail = nullptr;
        QTRY_VERIFY(detail = dialogue(f, "Frm_DetailEvt"));
        QVERIFY(detail->isModal());
        QCOMPARE(detail->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(Enfant<QLabel>(detail, "Label4")->text(), QStringLiteral("Information relative à l'évènement"));
        QCOMPARE(Enfant<QLineEdit>(detail, "Txt_Horodatage")->text(), QStringLiteral("08/12/2024 à 14:05:33"));
        QCOMPARE(Enfant<QPlainTextEdit>(detail, "Txt_Message")->toPlainText(),
                 QStringLiteral("Le téléchargement de la mise à jour 12 n'as pas pu être effectué. "));

        QApplication::clipboard()->setText(QStringLiteral("avant"));
        cliquer(detail, "Cmd_CopierTextErreur");
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Le téléchargement de la mise à jour 12 n'as pas pu être effectué. "));
        QVERIFY(detail->isVisible());
        cliquer(detail, "Cmd_Fermer");
        QTRY_VERIFY(!dialogue(f, "Frm_DetailEvt"));
        QVERIFY(f->isVisible());
    }

    // From the keyboard: Return on the selected row opens its detail, Escape closes it, then
    // the viewer; Return alone in the cleanup dialog deletes nothing. A message cut off by its
    // column is read whole in its row's tooltip.
    void clavierEtInfobulle()
    {
        const QString longMessage = QStringLiteral("Le téléchargement de la mise à jour 12 n'a pas pu être effectué : ")
            + QStringLiteral("la réponse du service ne correspond pas à la taille annoncée. ").repeated(4);
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 5, 33)), Anomalie, longMessage);
        evenement(QDateTime(QDate(2024, 12, 8), QTime(14, 6, 0)), Information, QStringLiteral("court"));
        Frm_ObsEvt* f = ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(f));
        const auto touche = [](Qt::Key cle) {
            QTest::keyClick(QApplication::activeWindow()->windowHandle(), cle);
        };
        // The focus comes on the first row; the second holds the long message.
        f->Lst_Evt()->setFocus();
        touche(Qt::Key_Down);
        touche(Qt::Key_Return);
        QDialog* detail = nullptr;
        QTRY_VERIFY(detail = dialogue(f, "Frm_DetailEvt"));
        QCOMPARE(Enfant<QPlainTextEdit>(detail, "Txt_Message")->toPlainText(), longMessage);
        QVERIFY(QTest::qWaitForWindowActive(detail));
        touche(Qt::Key_Escape);
        QTRY_VERIFY(!dialogue(f, "Frm_DetailEvt"));

        const auto survol = [f](int ligne) {
            QTreeView* liste = f->Lst_Evt();
            const QPoint point = liste->visualRect(liste->model()->index(ligne, 1)).center();
            QHelpEvent aide(QEvent::ToolTip, point, liste->viewport()->mapToGlobal(point));
            QApplication::sendEvent(liste->viewport(), &aide);
        };
        survol(1);
        QTRY_COMPARE(QToolTip::text(), longMessage);
        survol(0);
        QTRY_VERIFY(!QToolTip::isVisible());

        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        cliquer(f, "Command1");
        QDialog* nettoyage = nullptr;
        QTRY_VERIFY(nettoyage = dialogue(f, "Frm_NettoyageEvents"));
        nettoyage->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), nettoyage);
        touche(Qt::Key_Return);
        QTRY_VERIFY(!dialogue(f, "Frm_NettoyageEvents"));
        QCOMPARE(TableJournal::Tous().size(), 2);

        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        touche(Qt::Key_Escape);
        QTRY_VERIFY(!Frm_ObsEvt::Instance());
    }

    // The cleanup deletes the chosen day and every earlier one; whatever the choice, the
    // list is reloaded.
    void nettoyage()
    {
        evenement(QDateTime(QDate(2024, 12, 6), QTime(23, 59, 59)), Information, QStringLiteral("le 6"));
        evenement(QDateTime(QDate(2024, 12, 7), QTime(0, 0, 0)), Anomalie, QStringLiteral("le 7 à minuit"));
        evenement(QDateTime(QDate(2024, 12, 7), QTime(23, 59, 59)), Information, QStringLiteral("le 7 au soir"));
        evenement(QDateTime(QDate(2024, 12, 8), QTime(0, 0, 0)), Avertissement, QStringLiteral("le 8"));
        Horloge::Regler(QDateTime(QDate(2024, 12, 9), QTime(10, 0)));
        Frm_ObsEvt* f = ouvrir();

        cliquer(f, "Command1");
        QDialog* nettoyage = dialogue(f, "Frm_NettoyageEvents");
        QVERIFY(nettoyage && nettoyage->isModal());
        QCOMPARE(nettoyage->windowTitle(), QStringLiteral("Nettoyage de la liste des évenements"));
        QCOMPARE(Enfant<QLabel>(nettoyage, "Etq_Message")->text(),
                 QStringLiteral("Supprimer les évènements antérieurs à :"));
        auto* date = Enfant<QDateEdit>(nettoyage, "Cal_DateNettoyage");
        QCOMPARE(date->date(), QDate(2024, 12, 9));
        // The calendar opens from the keyboard (F4 or Alt+Down), as a drop-down list does; Escape
        // in it keeps the date, Return takes the day chosen with the arrows.
        QVERIFY(QTest::qWaitForWindowActive(nettoyage));
        date->setFocus();
        QTest::keyClick(date, Qt::Key_Down, Qt::AltModifier);
        QWidget* calendrier = date->calendarWidget()->window();
        QTRY_VERIFY(calendrier->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!calendrier->isVisible());
        QCOMPARE(date->date(), QDate(2024, 12, 9));
        QTest::keyClick(date, Qt::Key_F4);
        QTRY_VERIFY(calendrier->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!calendrier->isVisible());
        QCOMPARE(date->date(), QDate(2024, 12, 7));
        cliquer(nettoyage, "Cmd_Nettoyer");
        QTRY_COMPARE(f->Lst_Evt()->model()->rowCount(), 1);
        QCOMPARE(f->Lst_Evt()->model()->index(0, 2).data().toString(), QStringLiteral("le 8"));
        QCOMPARE(TableJournal::Tous().size(), 1);

        // Annuler deletes nothing, and the list is reloaded all the same.
        cliquer(f, "Command1");
        QTRY_VERIFY(nettoyage = dialogue(f, "Frm_NettoyageEvents"));
        AjouterEvenement(Information, QStringLiteral("pendant le dialogue"));
        cliquer(nettoyage, "Cmd_Annuler");
        QTRY_COMPARE(f->Lst_Evt()->model()->rowCount(), 2);
        QCOMPARE(TableJournal::Tous().size(), 2);

        // Down to today: nothing left, the list is disabled.
        cliquer(f, "Command1");
        QTRY_VERIFY(nettoyage = dialogue(f, "Frm_NettoyageEvents"));
        cliquer(nettoyage, "Cmd_Nettoyer");
        QTRY_COMPARE(f->Lst_Evt()->model()->rowCount(), 0);
        QVERIFY(!f->Lst_Evt()->isEnabled());
    }

    // From the tray menu: one viewer, brought forward without reloading.
    void entreeDuMenu()
    {
        Assemblage serveur;
        AjouterEvenement(Information, QStringLiteral("un"));
        for (int i = 0; i < 2; ++i) {
            serveur.Console_.OuvrirMenu();
            serveur.Console_.Menu()->ActionClick(6);
            QTRY_COMPARE(fenetres("Frm_ObsEvt"), 1);
            AjouterEvenement(Information, QStringLiteral("encore"));
        }
        QCOMPARE(Frm_ObsEvt::Instance()->Lst_Evt()->model()->rowCount(), 1);
        cliquer(Frm_ObsEvt::Instance(), "Cmd_Fermer");
        QTRY_COMPARE(fenetres("Frm_ObsEvt"), 0);
        QTRY_VERIFY(!Frm_ObsEvt::Instance());
        serveur.Console_.OuvrirMenu();
        serveur.Console_.Menu()->ActionClick(6);
        QTRY_COMPARE(fenetres("Frm_ObsEvt"), 1);
        QCOMPARE(Frm_ObsEvt::Instance()->Lst_Evt()->model()->rowCount(), 3);
    }
};

QUENTARIS_TEST(TstFrm_ObsEvt)
#include "tst_Frm_ObsEvt.moc"
