#include "console/AccesServeurLocal.h"
#include "console/installation/Frm_DiffereInstall.h"
#include "console/menu/Console.h"
#include "console/menu/Frm_Menu.h"
#include "core/Composants.h"
#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "core/TableMajAttente.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/SiteInstallation.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>
#include <memory>

namespace {

class UnPosteConnecte : public ServicePostes
{
public:
    bool Ecouter(quint16, quint16, QString*) override { return true; }
    int PostesConnectes() const override { return postes; }
    int TransfertsOuverts() const override { return 0; }
    int postes = 0;
};

const QString kRefus = QStringLiteral(
    "Cette mise à jour serveur ne peut pas être installée car tous les menus QUENTARIS doivent être fermés sur tous "
    "les postes du réseau.\r\nVeuillez demander la fermeture de tous les menus sur les postes de travail et essayez "
    "à nouveau.");

} // namespace

class TstFrmDiffereInstall : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Frm_Reseau> m_reseau;
    std::unique_ptr<AccesServeurLocal> m_acces;
    std::unique_ptr<Console> m_console;
    std::unique_ptr<SiteInstallation> m_site;
    std::unique_ptr<ClientUniDATALocal> m_client;
    std::unique_ptr<InstallationServeur> m_installation;
    std::unique_ptr<InstallationDifferee> m_differee;
    std::unique_ptr<InterlocuteurScripte> m_messages;
    InterlocuteurInstallationScripte m_personne;
    UnPosteConnecte m_postes;
    std::unique_ptr<Frm_DiffereInstall> m_dialogue;
    qint64 m_id = 0;

    QLineEdit* heure() const { return m_dialogue->findChild<QLineEdit*>(QStringLiteral("Txt_Heure")); }
    void valider() const { m_dialogue->findChild<QPushButton*>(QStringLiteral("Cmd_Valider"))->click(); }
    void choisirDiffere() const { m_dialogue->findChild<QRadioButton*>(QStringLiteral("Opt_DepartDiffere"))->click(); }
    void taper(const QString& touches) const
    {
        for (const QChar c : touches)
            QTest::keyClick(heure(), c.toLatin1());
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_reseau = std::make_unique<Frm_Reseau>();
        m_postes.postes = 0;
        m_reseau->Brancher(&m_postes, nullptr);
        m_site = std::make_unique<SiteInstallation>(*m_dossier, m_reseau->Etat_());
        m_client = std::make_unique<ClientUniDATALocal>();
        m_installation = std::make_unique<InstallationServeur>(*m_reseau, *m_client);
        m_differee = std::make_unique<InstallationDifferee>(*m_reseau, *m_installation);
        m_acces = std::make_unique<AccesServeurLocal>(*m_reseau, nullptr, m_installation.get(), m_differee.get());
        m_console = std::make_unique<Console>(*m_acces);
        m_messages = std::make_unique<InterlocuteurScripte>();
        m_personne = InterlocuteurInstallationScripte();
        m_installation->FixerInterlocuteur(&m_personne);
        m_site->Declarer({QStringLiteral("COMPTA")});
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        m_id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);

        m_dialogue = std::make_unique<Frm_DiffereInstall>(ServicesInstallation{*m_acces, m_console.get()});
        m_dialogue->Txt_NomFichier->setText(fichier);
        m_dialogue->Txt_NumVersion->setText(QStringLiteral("512"));
        m_dialogue->Txt_IdMaj->setText(QString::number(m_id));
        m_dialogue->show();
    }

    void cleanup()
    {
        Horloge::Reinitialiser();
        m_dialogue.reset();
        m_messages.reset();
        m_console.reset();
        m_acces.reset();
        m_differee.reset();
        m_installation.reset();
        m_client.reset();
        m_site.reset();
        m_reseau.reset();
        m_dossier.reset();
    }

    void regleDeSaisieDeLHeure()
    {
        QVERIFY(!heure()->isEnabled());
        QCOMPARE(heure()->text(), QStringLiteral("00:00"));
        choisirDiffere();
        QVERIFY(heure()->isEnabled());

        QTest::keyClick(heure(), 'x');
        QCOMPARE(heure()->text(), QStringLiteral("00:00"));
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QCOMPARE(heure()->text(), QString());

        taper(QStringLiteral("3"));
        QCOMPARE(heure()->text(), QString());
        taper(QStringLiteral(":2"));
        QCOMPARE(heure()->text(), QStringLiteral("2"));
        taper(QStringLiteral("4:a"));
        QCOMPARE(heure()->text(), QStringLiteral("2"));
        taper(QStringLiteral("3"));
        QCOMPARE(heure()->text(), QStringLiteral("23"));
        QTest::keyClick(heure(), Qt::Key_Backspace);
        taper(QStringLiteral("0"));
        QCOMPARE(heure()->text(), QStringLiteral("20"));
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QTest::keyClick(heure(), Qt::Key_Backspace);

        taper(QStringLiteral("123"));
        QCOMPARE(heure()->text(), QStringLiteral("12:3"));
        taper(QStringLiteral(":9"));
        QCOMPARE(heure()->text(), QStringLiteral("12:39"));
        taper(QStringLiteral("5"));
        QCOMPARE(heure()->text(), QStringLiteral("12:39"));
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QCOMPARE(heure()->text(), QString());

        taper(QStringLiteral("08:"));
        QCOMPARE(heure()->text(), QStringLiteral("08:"));
        // Minutes go from 00 to 59, and a refused key says why.
        taper(QStringLiteral("97"));
        QCOMPARE(heure()->text(), QStringLiteral("08:"));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Les minutes vont de 00 à 59."));
        taper(QStringLiteral("57"));
        QCOMPARE(heure()->text(), QStringLiteral("08:57"));
        QTest::keyClick(heure(), 'v', Qt::ControlModifier);
        QCOMPARE(heure()->text(), QStringLiteral("08:57"));

        // Leaving the box empty puts midnight back.
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QFocusEvent sortie(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(heure(), &sortie);
        QCOMPARE(heure()->text(), QStringLiteral("00:00"));
    }

    void planificationAvantEtALHeure()
    {
        choisirDiffere();
        QTest::keyClick(heure(), Qt::Key_Backspace);
        taper(QStringLiteral("1400"));
        Horloge::Regler(QDateTime(QDate(2026, 12, 31), QTime(13, 59, 59)));
        m_messages->Repondre(Reponse::Oui);
        valider();
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("L'installation sera effectuée le jeudi 31 décembre 2026 à "
                                "14:00:00.\r\nVoulez-vous continuer ?"));
        QCOMPARE(m_messages->affiches.last().icone, Icone::Information);
        QCOMPARE(m_messages->affiches.last().boutons, Boutons::OuiNon);
        QCOMPARE(m_differee->Plan().Moment(), QDateTime(QDate(2026, 12, 31), QTime(14, 0)));
        QCOMPARE(m_differee->Plan().IdPlanifie, QString::number(m_id));
        QCOMPARE(m_differee->Plan().FichierPlanifie, m_dialogue->Txt_NomFichier->text());
        QVERIFY(m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(m_site->Differee(m_id));
        QVERIFY(!m_dialogue->isVisible());

        // At 14:00:00 the same time means tomorrow; answered No, the earlier plan stays.
        m_dialogue->show();
        Horloge::Regler(QDateTime(QDate(2026, 12, 31), QTime(14, 0, 0)));
        m_messages->Repondre(Reponse::Non);
        valider();
        QVERIFY(m_messages->Dernier().startsWith(
            QStringLiteral("L'installation sera effectuée le vendredi 01 janvier 2027 à 14:00:00.")));
        QVERIFY(m_dialogue->isVisible());
        QCOMPARE(m_differee->Plan().Moment(), QDateTime(QDate(2026, 12, 31), QTime(14, 0)));
        QVERIFY(m_reseau->Tim_InstallDiffere.isActive());

        // The initial "00:00" means the next midnight.
        QTest::keyClick(heure(), Qt::Key_Backspace);
        taper(QStringLiteral("0000"));
        m_messages->Repondre(Reponse::Oui);
        valider();
        QCOMPARE(m_differee->Plan().Moment(), QDateTime(QDate(2027, 1, 1), QTime(0, 0)));

        // Minutes beyond 59 cannot be typed; a begun time is read as leaving the box completes it.
        m_dialogue->show();
        QTest::keyClick(heure(), Qt::Key_Backspace);
        taper(QStringLiteral("0975"));
        QCOMPARE(heure()->text(), QStringLiteral("09:5"));
        m_messages->Repondre(Reponse::Non);
        valider();
        QVERIFY(m_messages->Dernier().contains(QStringLiteral(" à 09:50:00.")));
        // A lone hour digit is no time: told, with the focus back in the box.
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QTest::keyClick(heure(), Qt::Key_Backspace);
        QTest::keyClick(heure(), Qt::Key_Backspace);
        taper(QStringLiteral("1"));
        const int avant = m_messages->affiches.size();
        valider();
        QCOMPARE(m_messages->affiches.size(), avant + 1);
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("L'heure « 1 » n'est pas valide : saisissez une heure de 00:00 à 23:59."));
        QCOMPARE(heure()->selectedText(), QStringLiteral("1"));
        QCOMPARE(m_differee->Plan().Moment(), QDateTime(QDate(2027, 1, 1), QTime(0, 0)));
    }

    void immediatRefuseQuandUnPosteEstConnecte()
    {
        m_postes.postes = 1;
        valider();
        QCOMPARE(m_messages->Dernier(), kRefus);
        QVERIFY(m_dialogue->isVisible());
        QCOMPARE(m_personne.demandes, 0);
        QVERIFY(!m_reseau->Etat_().InstallationEnCours);

        // The count shown in the tray menu counts as well.
        m_postes.postes = 0;
        m_console->OuvrirMenu();
        QVERIFY(m_console->Menu());
        m_console->Menu()->findChild<QLabel*>(QStringLiteral("Etq_NbPostes"))->setText(QStringLiteral("2"));
        m_messages->affiches.clear();
        valider();
        QCOMPARE(m_messages->Dernier(), kRefus);
        m_console->FermerMenu();
        QTRY_VERIFY(!m_console->Menu());

        // Nor while another installation or a relocation of the update folder runs.
        m_reseau->Etat_().InstallationEnCours = true;
        valider();
        QCOMPARE(m_messages->Dernier(), InstallationServeur::MessageOccupe());
        QVERIFY(m_dialogue->isVisible());
        m_reseau->Etat_().InstallationEnCours = false;

        // A deferred start is accepted with a workstation connected.
        m_postes.postes = 1;
        choisirDiffere();
        m_messages->Repondre(Reponse::Oui);
        valider();
        QVERIFY(!m_differee->Plan().Vide());
    }

    // An installation the server refuses before it begins closes the window all the same.
    void immediatRefuseParLeServeurFerme()
    {
        QVERIFY(QFile::remove(QDir(m_reseau->Etat_().EmplacementMaj).filePath(m_dialogue->Txt_NomFichier->text())));
        valider();
        QVERIFY(m_messages->Dernier().startsWith(
            QStringLiteral("Le fichier de la mise à jour serveur 512 est introuvable")));
        QCOMPARE(m_dialogue->result(), int(QDialog::Accepted));
        QVERIFY(!m_dialogue->isVisible());
        QCOMPARE(m_personne.demandes, 0);
        QVERIFY(!m_site->Installee(m_id));
        QVERIFY(!m_reseau->Etat_().InstallationEnCours);
    }

    void immediatInstalleEtFerme()
    {
        TableMajAttente::FixerDiffere(m_id, true);
        m_personne.retenirRapport = true;
        valider();
        QVERIFY(!m_dialogue->isVisible());
        QVERIFY(!m_site->Differee(m_id));
        QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
        QVERIFY(m_reseau->Etat_().InstallationEnCours);
        QCOMPARE(m_dialogue->result(), 0);
        m_personne.fermerRapport();
        QCOMPARE(m_dialogue->result(), int(QDialog::Accepted));
        QVERIFY(m_site->Installee(m_id));
    }
};

QUENTARIS_TEST(TstFrmDiffereInstall)
#include "tst_Frm_DiffereInstall.moc"
