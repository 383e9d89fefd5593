#include "console/installation/Frm_ConnectUniDATA.h"
#include "console/installation/Frm_MajBases.h"
#include "support/Fenetres.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString kVerrou = QStringLiteral(
    "Suite à un problème lors de l'installation de la mise à jour, votre serveur a été verouillé pour conserver "
    "l'intégrité de vos données.\r\nPour le déverouiller, merci de contacter la maintenance d'QUENTARIS");

const QString kRefus = QStringLiteral("Déverouillage du serveur refusé ! Seul l'équipe technique d'QUENTARIS est en "
                                      "mesure de déverouiller votre serveur.");

} // namespace

// The report window and the credentials dialog of the database update.
class TstFrmMajBases : public QObject
{
    Q_OBJECT

private slots:
    void rapportSansErreurSeFermeParFermer()
    {
        InterlocuteurScripte messages;
        Frm_MajBases rapport;
        rapport.ChargerRapportInstallation(
            {{QStringLiteral("COMPTA"), QStringLiteral("Installée"), QString(), QStringLiteral("1")},
             {QStringLiteral("STOCK"), QStringLiteral("Non installée"),
              QStringLiteral("Chemin de la base introuvable dans Quentaris.ini"), QStringLiteral("3")}});
        rapport.show();
        QVERIFY(messages.affiches.isEmpty());
        QVERIFY(!rapport.Verrouille());
        auto* liste = Enfant<QTreeWidget>(&rapport, "Lst_InstallMaj");
        QCOMPARE(liste->topLevelItemCount(), 2);
        QCOMPARE(liste->headerItem()->text(1), QStringLiteral("Base de données"));
        QCOMPARE(liste->topLevelItem(1)->text(0), QString());
        QCOMPARE(liste->topLevelItem(1)->text(1), QStringLiteral("STOCK"));
        QCOMPARE(liste->topLevelItem(1)->text(3), QStringLiteral("Chemin de la base introuvable dans Quentaris.ini"));
        QCOMPARE(liste->topLevelItem(1)->data(0, Qt::UserRole).toString(), QStringLiteral("3"));
        QVERIFY(!Enfant<QLineEdit>(&rapport, "Txt_PassVerrou")->isVisible());

        // Only its own button closes it, even unlocked.
        QVERIFY(!rapport.close());
        QTest::keyClick(&rapport, Qt::Key_Escape);
        QVERIFY(rapport.isVisible());
        QSignalSpy fini(&rapport, &QDialog::finished);
        Enfant<QPushButton>(&rapport, "Cmd_Fermer")->click();
        QCOMPARE(fini.size(), 1);
        QVERIFY(!rapport.isVisible());
    }

    void rapportVerrouilleJusquAuBonMotDePasse()
    {
        InterlocuteurScripte messages;
        Frm_MajBases rapport;
        rapport.ChargerRapportInstallation(
            {{QStringLiteral("COMPTA"), QStringLiteral("Installée"), QString(), QStringLiteral("1")},
             {QStringLiteral("PAIE"), QStringLiteral("Erreur"), QStringLiteral("Veuillez contacter QUENTARIS"),
              QStringLiteral("2")}});
        rapport.show();
        QVERIFY(rapport.Verrouille());
        QCOMPARE(messages.Textes(), QStringList{kVerrou});
        QCOMPARE(messages.affiches.first().icone, Icone::Exclamation);
        auto* fermer = Enfant<QPushButton>(&rapport, "Cmd_Fermer");
        auto* pass = Enfant<QLineEdit>(&rapport, "Txt_PassVerrou");
        auto* ok = Enfant<QPushButton>(&rapport, "Cmd_OK");
        QVERIFY(!fermer->isEnabled());
        QVERIFY(pass->isVisible());
        QVERIFY(ok->isVisible());
        QVERIFY(Enfant<QLabel>(&rapport, "Etq_MotDePasse")->isVisible());
        QCOMPARE(pass->echoMode(), QLineEdit::Password);

        QVERIFY(!rapport.close());
        QTest::keyClick(&rapport, Qt::Key_Escape);
        QVERIFY(rapport.isVisible());

        // A wrong password (the right one in another case) is refused and wiped.
        QTest::keyClicks(pass, QStringLiteral("@V7RUMBEX"));
        ok->click();
        QCOMPARE(messages.Dernier(), kRefus);
        QCOMPARE(pass->text(), QString());
        QVERIFY(rapport.isVisible());

        // Enter in the box acts as "&OK", once.
        QTest::keyClicks(pass, QStringLiteral("faux"));
        QTest::keyClick(pass, Qt::Key_Return);
        QCOMPARE(messages.affiches.size(), 3);
        QVERIFY(rapport.isVisible());

        QSignalSpy fini(&rapport, &QDialog::finished);
        QTest::keyClicks(pass, QStringLiteral("@v7rumbex"));
        ok->click();
        QCOMPARE(fini.size(), 1);
        QVERIFY(rapport.FermetureAutorisee());
        QCOMPARE(messages.affiches.size(), 3);

        // A report loaded with no line at all (cancelled credentials) is empty, not locked.
        Frm_MajBases vide;
        vide.ChargerRapportInstallation({});
        QCOMPARE(Enfant<QTreeWidget>(&vide, "Lst_InstallMaj")->topLevelItemCount(), 0);
        QVERIFY(!vide.Verrouille());
    }

    void identifiantsSaisisOuAnnules()
    {
        InterlocuteurScripte messages;
        {
            Frm_ConnectUniDATA dialogue;
            dialogue.show();
            auto* utilisateur = Enfant<QLineEdit>(&dialogue, "Txt_Utilisateur");
            auto* pass = Enfant<QLineEdit>(&dialogue, "Txt_MotDePasse");
            QCOMPARE(utilisateur->text(), Frm_ConnectUniDATA::UtilisateurParDefaut());
            QCOMPARE(utilisateur->selectedText(), utilisateur->text());
            QCOMPARE(pass->echoMode(), QLineEdit::Password);
            QVERIFY(!Enfant<QCheckBox>(&dialogue, "Cac_ConserverIdentifiants")->isChecked());

            utilisateur->clear();
            Enfant<QPushButton>(&dialogue, "Cmd_OK")->click();
            QCOMPARE(messages.Dernier(), QStringLiteral("Vous devez saisir un nom d'utilisateur"));
            QVERIFY(dialogue.isVisible());

            QTest::keyClicks(utilisateur, QStringLiteral("udt"));
            QTest::keyClicks(pass, QStringLiteral("mot de passe"));
            Enfant<QCheckBox>(&dialogue, "Cac_ConserverIdentifiants")->setChecked(true);
            QSignalSpy fini(&dialogue, &QDialog::finished);
            QTest::keyClick(pass, Qt::Key_Return);
            QCOMPARE(fini.size(), 1);
            QCOMPARE(dialogue.result(), int(QDialog::Accepted));
            QVERIFY(!dialogue.Reponse().Annule);
            QCOMPARE(dialogue.Reponse().Utilisateur, QStringLiteral("udt"));
            QCOMPARE(dialogue.Reponse().MotDePasse, QStringLiteral("mot de passe"));
            QVERIFY(dialogue.Reponse().Conserver);
        }
        {
            Frm_ConnectUniDATA dialogue;
            dialogue.show();
            QTest::keyClicks(Enfant<QLineEdit>(&dialogue, "Txt_MotDePasse"), QStringLiteral("x"));
            QVERIFY(dialogue.close());
            QVERIFY(dialogue.Reponse().Annule);
        }
        {
            Frm_ConnectUniDATA dialogue;
            dialogue.show();
            Enfant<QPushButton>(&dialogue, "Cmd_Annuler")->click();
            QVERIFY(dialogue.Reponse().Annule);
            QCOMPARE(messages.affiches.size(), 1);
        }
    }
};

QUENTARIS_TEST(TstFrmMajBases)
#include "tst_Frm_MajBases.moc"
