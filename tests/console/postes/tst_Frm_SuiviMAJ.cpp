#include "console/AccesServeurLocal.h"
#include "console/postes/Frm_DetailMachine.h"
#include "console/postes/Frm_SuiviMAJ.h"
#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/TableMajDispo.h"
#include "core/TablePostes.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/Textes.h"
#include "workstations/ServeurPostes.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

namespace {

qint64 poste(const char* nom, const char* adresse, std::initializer_list<std::pair<qint64, QDate>> historique = {})
{
    Poste p;
    p.NomPoste = QLatin1String(nom);
    p.AdresseIPPoste = QLatin1String(adresse);
    p.AdresseMACPoste = QStringLiteral("00:11:22:33:44:55");
    const qint64 id = TablePostes::Inserer(p);
    for (const auto& [version, date] : historique)
        TablePostes::AjouterHistorique(id, version, date);
    return id;
}

void majPoste(qint64 version)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = QStringLiteral("maj%1.zip").arg(version);
    TableMajDispo::Inserer(maj);
}

QStringList textes(const QTreeWidgetItem* item, int premiere, int derniere)
{
    QStringList t;
    for (int i = premiere; i <= derniere; ++i)
        t.append(item->text(i));
    return t;
}

} // namespace

class TstFrmSuiviMAJ : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        Frm_Reseau reseau;
        ServeurPostes postes{reseau.Etat_()};
        AccesServeurLocal acces{reseau, &postes};
        QPointer<Frm_SuiviMAJ> ecran;
        Banc()
        {
            QString erreur;
            if (!postes.Ecouter(0, 0, &erreur))
                qFatal("%s", qPrintable(erreur));
        }
        ~Banc() { delete ecran; }
        void ouvrir()
        {
            ecran = new Frm_SuiviMAJ(acces);
            ecran->show();
        }
        QTreeWidget* liste() const { return ecran->findChild<QTreeWidget*>(QStringLiteral("Lst_Machines")); }
        QTreeWidgetItem* ligne(int i) const { return liste()->topLevelItem(i); }
        void cliquer(const char* nom) const
        {
            QTest::mouseClick(ecran->findChild<QPushButton*>(QLatin1String(nom)), Qt::LeftButton);
        }
        void choisir(int i) const
        {
            const QRect zone = liste()->visualItemRect(ligne(i));
            QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {}, zone.center());
        }
    };

private slots:
    void sansPosteListeVideEtGrisee()
    {
        Banc banc;
        banc.ouvrir();
        QCOMPARE(banc.ecran->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(banc.liste()->topLevelItemCount(), 0);
        QVERIFY(!banc.liste()->isEnabled());
        banc.cliquer("Cmd_Supprimer");
        QVERIFY(banc.messages.affiches.isEmpty());
    }

    void etatDeChaquePoste()
    {
        Banc banc;
        majPoste(122);
        majPoste(123);
        const qint64 pc01 = poste("PC01", "10.0.0.5", {{118, QDate(2026, 1, 5)}, {121, QDate(2026, 2, 5)}});
        poste("PC02", "10.0.0.6");
        banc.ouvrir();
        QCOMPARE(banc.liste()->headerItem()->text(3), QStringLiteral("Version installée"));
        QVERIFY(banc.liste()->isColumnHidden(5));
        QCOMPARE(textes(banc.ligne(0), 0, 5),
                 Textes({"", "PC01", "10.0.0.5", "121", "Non connecté", "00:11:22:33:44:55"}));
        QCOMPARE(banc.ligne(0)->data(0, Frm_SuiviMAJ::RoleImage).toInt(), 2);
        for (int c = 1; c <= 5; ++c)
            QCOMPARE(banc.ligne(0)->foreground(c).color(), QColor(255, 0, 0));
        QCOMPARE(textes(banc.ligne(1), 1, 4), Textes({"PC02", "10.0.0.6", "Pas d'historique", "Non connecté"}));
        QCOMPARE(banc.ligne(1)->data(0, Frm_SuiviMAJ::RoleImage).toInt(), 3);
        QCOMPARE(banc.ligne(1)->foreground(1).color(), QColor(0, 0, 0));

        // Once 123 is reported, the workstation is up to date.
        TablePostes::AjouterHistorique(pc01, 123, QDate(2026, 3, 5));
        banc.cliquer("Cmd_Actualiser");
        QCOMPARE(banc.ligne(0)->text(3), QStringLiteral("123"));
        QCOMPARE(banc.ligne(0)->data(0, Frm_SuiviMAJ::RoleImage).toInt(), 1);
        for (int c = 1; c <= 5; ++c)
            QCOMPARE(banc.ligne(0)->foreground(c).color(), QColor(0, 128, 0));
    }

    void connecteSelonLesConnexionsVivantes()
    {
        Banc banc;
        poste("PC01", "127.0.0.1");
        poste("PC02", "127.0.0.1");
        poste("PC03", "10.0.0.7");
        poste("PC04", "");
        QTcpSocket station;
        station.connectToHost(QHostAddress::LocalHost, banc.postes.PortControle());
        QTRY_COMPARE(banc.postes.PostesConnectes(), 1);
        banc.ouvrir();
        QCOMPARE(banc.ligne(0)->text(4), QStringLiteral("Connecté"));
        QCOMPARE(banc.ligne(1)->text(4), QStringLiteral("Connecté"));
        QCOMPARE(banc.ligne(2)->text(4), QStringLiteral("Non connecté"));
        QCOMPARE(banc.ligne(3)->text(4), QStringLiteral("Non connecté"));
        station.disconnectFromHost();
        QTRY_COMPARE(banc.postes.PostesConnectes(), 0);
        banc.cliquer("Cmd_Actualiser");
        QCOMPARE(banc.ligne(0)->text(4), QStringLiteral("Non connecté"));
    }

    void suppressionApresConfirmation()
    {
        Banc banc;
        const qint64 id = poste("PC01", "10.0.0.5", {{121, QDate(2026, 2, 5)}});
        banc.ouvrir();
        // The list opens on its first row; with nothing selected, there is nothing to delete.
        QVERIFY(banc.liste()->topLevelItem(0)->isSelected());
        banc.liste()->clearSelection();
        banc.cliquer("Cmd_Supprimer");
        QVERIFY(banc.messages.affiches.isEmpty());
        banc.choisir(0);
        banc.messages.Repondre(Reponse::Non);
        banc.cliquer("Cmd_Supprimer");
        QCOMPARE(banc.liste()->topLevelItemCount(), 1);
        banc.choisir(0);
        banc.cliquer("Cmd_Supprimer");
        const QString question = QStringLiteral("Voulez-vous vraiment supprimer la machine \"PC01\" de la liste ?");
        QCOMPARE(banc.messages.Textes(), (QStringList{question, question}));
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Question);
        QCOMPARE(banc.messages.affiches.first().boutons, Boutons::OuiNon);
        QCOMPARE(banc.liste()->topLevelItemCount(), 0);
        QVERIFY(!banc.liste()->isEnabled());
        QVERIFY(TablePostes::Tous().isEmpty());
        // Its history stays.
        QCOMPARE(TablePostes::Historique(id).size(), 1);
    }

    // From the keyboard: Return on the selected row opens its detail, Escape closes the detail
    // and then the screen; the question before a deletion is not answered by Return alone.
    void clavier()
    {
        Banc banc;
        poste("PC01", "10.0.0.5", {{121, QDate(2026, 2, 5)}});
        banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(banc.ecran));
        const auto touche = [&banc](Qt::Key cle) {
            QTest::keyClick(QApplication::activeWindow()->windowHandle(), cle);
        };
        banc.liste()->setFocus();
        touche(Qt::Key_Return);
        QDialog* detail = nullptr;
        QTRY_VERIFY((detail = banc.ecran->findChild<QDialog*>(QStringLiteral("Frm_DetailMachine"))));
        QVERIFY(QTest::qWaitForWindowActive(detail));
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_NomPoste"))->text(), QStringLiteral("PC01"));
        QPointer<QDialog> garde(detail);
        touche(Qt::Key_Escape);
        QTRY_VERIFY(!garde);
        QVERIFY(banc.ecran->isVisible());

        banc.ecran->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(banc.ecran));
        banc.messages.RepondreAuClavier(Qt::Key_Return);
        banc.cliquer("Cmd_Supprimer");
        QCOMPARE(banc.messages.affiches.size(), 1);
        QCOMPARE(TablePostes::Tous().size(), 1);
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!banc.ecran);
    }

    // A table that cannot be read never shows a workstation as up to date, without history or
    // absent: the list says it cannot be read, and shows the rows again once it can.
    void tablesIllisibles()
    {
        Banc banc;
        majPoste(122);
        poste("PC01", "10.0.0.5", {{121, QDate(2026, 2, 5)}});
        banc.ouvrir();
        QCOMPARE(banc.ligne(0)->data(0, Frm_SuiviMAJ::RoleImage).toInt(), 2);
        AutreProgramme autre(banc.dossier.Fichier(BaseInterne::NomFichier()));
        for (const QString& table :
             {QStringLiteral("MajDispo"), QStringLiteral("MajHistorique"), QStringLiteral("MajPoste")}) {
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE %1 RENAME TO Cachee").arg(table)));
            banc.cliquer("Cmd_Actualiser");
            QCOMPARE(banc.liste()->topLevelItemCount(), 1);
            QCOMPARE(banc.ligne(0)->text(0),
                     QStringLiteral("La liste des postes ne peut pas être lue dans la base de données interne."));
            QVERIFY2(!banc.liste()->isEnabled(), qPrintable(table));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO %1").arg(table)));
        }
        banc.cliquer("Cmd_Actualiser");
        QCOMPARE(textes(banc.ligne(0), 1, 4), Textes({"PC01", "10.0.0.5", "121", "Non connecté"}));
        QCOMPARE(banc.ligne(0)->data(0, Frm_SuiviMAJ::RoleImage).toInt(), 2);

        // The history of a workstation, opened while it cannot be read.
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE MajHistorique RENAME TO Cachee")));
        const QRect zone = banc.liste()->visualItemRect(banc.ligne(0));
        QTest::mouseClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone.center());
        QTest::mouseDClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone.center());
        auto* detail = banc.ecran->findChild<Frm_DetailMachine*>();
        QVERIFY(detail);
        auto* historique = detail->findChild<QTreeWidget*>(QStringLiteral("Lst_Historique"));
        QCOMPARE(historique->topLevelItemCount(), 1);
        QCOMPARE(historique->topLevelItem(0)->text(0),
                 QStringLiteral("L'historique de ce poste ne peut pas être lu dans la base de données interne."));
        QVERIFY(!detail->findChild<QLabel*>(QStringLiteral("Etq_PosteIllisible"))->isVisible());
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO MajHistorique")));
        delete detail;

        // Its name and address, opened while they cannot be read: the empty boxes are explained.
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE MajPoste RENAME TO Cachee")));
        QTest::mouseDClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone.center());
        detail = banc.ecran->findChild<Frm_DetailMachine*>();
        QVERIFY(detail);
        auto* illisible = detail->findChild<QLabel*>(QStringLiteral("Etq_PosteIllisible"));
        QVERIFY(illisible->isVisible());
        QCOMPARE(illisible->text(),
                 QStringLiteral("Le nom et l'adresse de ce poste ne peuvent pas être lus dans la "
                                "base de données interne."));
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_NomPoste"))->text(), QString());
        QCOMPARE(detail->findChild<QTreeWidget*>(QStringLiteral("Lst_Historique"))->topLevelItem(0)->text(1),
                 QStringLiteral("121"));
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO MajPoste")));
    }

    void detailAvecHistoriqueDuPlusHautAuPlusBas()
    {
        Banc banc;
        poste(
            "PC01", "10.0.0.5",
            {{118, QDate(2026, 1, 5)}, {121, QDate(2026, 2, 5)}, {121, QDate(2026, 2, 20)}, {119, QDate(2026, 3, 1)}});
        poste("PC02", "10.0.0.6");
        banc.ouvrir();
        const QRect zone = banc.liste()->visualItemRect(banc.ligne(0));
        QTest::mouseClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone.center());
        QTest::mouseDClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone.center());
        QPointer<Frm_DetailMachine> detail = banc.ecran->findChild<Frm_DetailMachine*>();
        QVERIFY(detail && detail->isVisible() && detail->isModal());
        QCOMPARE(detail->windowTitle(), QStringLiteral("Suivi des mises à jour"));
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_NomPoste"))->text(), QStringLiteral("PC01"));
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_AdresseIP"))->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_Etat"))->text(), QStringLiteral("Non connecté"));
        auto* historique = detail->findChild<QTreeWidget*>(QStringLiteral("Lst_Historique"));
        QCOMPARE(historique->topLevelItemCount(), 4);
        QStringList lignes;
        for (int i = 0; i < 4; ++i)
            lignes.append(textes(historique->topLevelItem(i), 0, 2).join(QLatin1Char('|')));
        QCOMPARE(lignes, Textes({" |121|20/02/2026", " |121|05/02/2026", " |119|01/03/2026", " |118|05/01/2026"}));
        QTest::mouseClick(detail->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_VERIFY(detail.isNull());

        // Without history: name and address, an empty list.
        const QRect zone2 = banc.liste()->visualItemRect(banc.ligne(1));
        QTest::mouseClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone2.center());
        QTest::mouseDClick(banc.liste()->viewport(), Qt::LeftButton, {}, zone2.center());
        detail = banc.ecran->findChild<Frm_DetailMachine*>();
        QVERIFY(detail);
        QCOMPARE(detail->findChild<QLineEdit*>(QStringLiteral("Txt_NomPoste"))->text(), QStringLiteral("PC02"));
        QCOMPARE(detail->findChild<QTreeWidget*>(QStringLiteral("Lst_Historique"))->topLevelItemCount(), 0);
    }
};

QUENTARIS_TEST(TstFrmSuiviMAJ)
#include "tst_Frm_SuiviMAJ.moc"
