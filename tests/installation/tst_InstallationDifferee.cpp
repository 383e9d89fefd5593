#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/SiteInstallation.h"

#include <QTest>
#include <memory>

using namespace Planification;

namespace {

QDateTime a(int annee, int mois, int jour, int h, int m, int s)
{
    return QDateTime(QDate(annee, mois, jour), QTime(h, m, s));
}

} // namespace

class TstInstallationDifferee : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Frm_Reseau> m_reseau;
    std::unique_ptr<SiteInstallation> m_site;
    std::unique_ptr<ClientUniDATALocal> m_client;
    std::unique_ptr<InstallationServeur> m_installation;
    std::unique_ptr<InstallationDifferee> m_differee;
    std::unique_ptr<InterlocuteurScripte> m_messages;
    InterlocuteurInstallationScripte m_personne;
    qint64 m_id = 0;
    QString m_fichier;

    void planifierA14h()
    {
        m_differee->Planifier(a(2026, 12, 15, 14, 0, 0), m_fichier, QStringLiteral("512"), QString::number(m_id));
    }

    // One tick at that moment; true when it started the installation.
    bool ticA(const QDateTime& moment)
    {
        Horloge::Regler(moment);
        const int avant = m_personne.demandes;
        m_differee->Tic();
        return m_personne.demandes > avant;
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_reseau = std::make_unique<Frm_Reseau>();
        m_site = std::make_unique<SiteInstallation>(*m_dossier, m_reseau->Etat_());
        m_client = std::make_unique<ClientUniDATALocal>();
        m_installation = std::make_unique<InstallationServeur>(*m_reseau, *m_client);
        m_differee = std::make_unique<InstallationDifferee>(*m_reseau, *m_installation);
        m_messages = std::make_unique<InterlocuteurScripte>();
        m_personne = InterlocuteurInstallationScripte();
        m_personne.retenirRapport = true;
        m_installation->FixerInterlocuteur(&m_personne);
        m_site->Declarer({QStringLiteral("COMPTA")});
        m_fichier = m_site->CreerArchive(QStringLiteral("512"));
        m_id = m_site->MettreEnAttente(QStringLiteral("512"), m_fichier);
    }

    void cleanup()
    {
        Horloge::Reinitialiser();
        m_messages.reset();
        m_differee.reset();
        m_installation.reset();
        m_client.reset();
        m_site.reset();
        m_reseau.reset();
        m_dossier.reset();
    }

    void prochainDepart()
    {
        const QTime quatorze(14, 0);
        QCOMPARE(ProchainDepart(quatorze, a(2026, 12, 15, 13, 59, 59)), a(2026, 12, 15, 14, 0, 0));
        QCOMPARE(ProchainDepart(quatorze, a(2026, 12, 15, 14, 0, 0)), a(2026, 12, 16, 14, 0, 0));
        QCOMPARE(ProchainDepart(quatorze, QDateTime(QDate(2026, 12, 15), QTime(14, 0, 0, 900))),
                 a(2026, 12, 16, 14, 0, 0));
        QCOMPARE(ProchainDepart(QTime(0, 0), a(2026, 12, 31, 0, 0, 0)), a(2027, 1, 1, 0, 0, 0));
        QCOMPARE(ProchainDepart(QTime(0, 0), a(2026, 12, 31, 23, 59, 59)), a(2027, 1, 1, 0, 0, 0));

        QTime heure;
        QVERIFY(LireHeure(QStringLiteral("12:30"), &heure));
        QCOMPARE(heure, QTime(12, 30));
        QVERIFY(LireHeure(QStringLiteral("12:3"), &heure));
        QCOMPARE(heure, QTime(12, 3));
        QVERIFY(LireHeure(QStringLiteral("7"), &heure));
        QCOMPARE(heure, QTime(7, 0));
        QVERIFY(LireHeure(QString(), &heure));
        QCOMPARE(heure, QTime(0, 0));
        QVERIFY(!LireHeure(QStringLiteral("24:00"), &heure));
        QVERIFY(!LireHeure(QStringLiteral("12:75"), &heure));
        QVERIFY(!LireHeure(QStringLiteral(":30"), &heure));
    }

    void confirmationEnFrancais()
    {
        QCOMPARE(TexteConfirmation(a(2026, 12, 31, 14, 0, 0)),
                 QStringLiteral("L'installation sera effectuée le jeudi 31 décembre 2026 à 14:00:00.\r\n"
                                "Voulez-vous continuer ?"));
        QCOMPARE(DateEnLettres(QDate(2027, 2, 1)), QStringLiteral("lundi 01 février 2027"));
        QCOMPARE(DateEnLettres(QDate(2027, 8, 15)), QStringLiteral("dimanche 15 août 2027"));
    }

    void demarreAuPremierTicAuPlusCinqMinutesApres()
    {
        planifierA14h();
        QVERIFY(m_site->Differee(m_id));
        QVERIFY(m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(!ticA(a(2026, 12, 15, 13, 59, 59)));
        QVERIFY(!ticA(a(2026, 12, 14, 14, 0, 0)));
        QVERIFY(m_reseau->Tim_InstallDiffere.isActive());

        // The tick of 14:00:00 was missed while the event loop was busy.
        QVERIFY(ticA(a(2026, 12, 15, 14, 0, 3)));
        QVERIFY(!m_reseau->Tim_InstallDiffere.isActive());
        QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
        m_personne.fermerRapport();
        QVERIFY(m_site->Installee(m_id));
        QVERIFY(m_differee->Plan().Vide());
    }

    void tropTardLePlanEstAbandonne()
    {
        planifierA14h();
        QVERIFY(!ticA(a(2026, 12, 15, 14, 5, 1)));
        QVERIFY(!m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(m_differee->Plan().Vide());
        QVERIFY(!m_site->Differee(m_id));
        QVERIFY(!m_site->Installee(m_id));

        planifierA14h();
        QVERIFY(ticA(a(2026, 12, 15, 14, 5, 0)));
    }

    void attendLaFinDUneAutreInstallation()
    {
        planifierA14h();
        m_reseau->Etat_().InstallationEnCours = true;
        QVERIFY(!ticA(a(2026, 12, 15, 14, 0, 0)));
        QVERIFY(!ticA(a(2026, 12, 15, 14, 3, 0)));
        QVERIFY(m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(!m_differee->Plan().Vide());
        m_reseau->Etat_().InstallationEnCours = false;
        QVERIFY(ticA(a(2026, 12, 15, 14, 3, 1)));

        // Still busy once the five minutes are over: the plan is given up.
        QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
        m_differee->Planifier(a(2026, 12, 15, 15, 0, 0), m_fichier, QStringLiteral("512"), QString::number(m_id));
        QVERIFY(!ticA(a(2026, 12, 15, 15, 4, 0)));
        QVERIFY(!ticA(a(2026, 12, 15, 15, 5, 30)));
        QVERIFY(m_differee->Plan().Vide());
        m_personne.fermerRapport();
        QVERIFY(m_site->Installee(m_id));
    }
};

QUENTARIS_TEST(TstInstallationDifferee)
#include "tst_InstallationDifferee.moc"
