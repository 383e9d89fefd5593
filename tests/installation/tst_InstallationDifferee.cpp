#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/JournalTest.h"
#include "support/Registre.h"
#include "support/SiteInstallation.h"
#include "support/SortieCapturee.h"

#include <QFile>
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

    // One tick at that moment; true when it started the installation (which then unpacks the
    // archive, and asks for the credentials later).
    bool ticA(const QDateTime& moment)
    {
        Horloge::Regler(moment);
        const bool avant = m_installation->EnCours();
        m_differee->Tic();
        return !avant && m_installation->EnCours();
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
        {
            SortieCapturee sortie;
            QVERIFY(!ticA(a(2026, 12, 15, 14, 5, 1)));
            QCOMPARE(sortie.Contenant(QStringLiteral("n'a pas été lancée")).size(), 1);
        }
        QVERIFY(!m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(m_differee->Plan().Vide());
        QVERIFY(!m_site->Differee(m_id));
        QVERIFY(!m_site->Installee(m_id));
        // Told where the administrator looks the next morning.
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|L'installation différée de la mise à jour serveur 512 prévue le "
                                            "15/12/2026 à 14:00:00 n'a pas été lancée : le serveur n'a pu s'en "
                                            "occuper que le 15/12/2026 à 14:05:01, plus de cinq minutes après "
                                            "l'heure prévue (machine en veille ou horloge modifiée). La mise à jour "
                                            "reste en attente et n'est plus planifiée.")});

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

        // Still busy once the five minutes are over: the plan is given up, and the journal
        // says why.
        QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
        m_differee->Planifier(a(2026, 12, 15, 15, 0, 0), m_fichier, QStringLiteral("512"), QString::number(m_id));
        QVERIFY(!ticA(a(2026, 12, 15, 15, 4, 0)));
        QVERIFY(!ticA(a(2026, 12, 15, 15, 5, 30)));
        QVERIFY(m_differee->Plan().Vide());
        QVERIFY(!m_site->Differee(m_id));
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|L'installation différée de la mise à jour serveur 512 prévue le "
                                            "15/12/2026 à 15:00:00 n'a pas été lancée : cinq minutes après l'heure "
                                            "prévue, une installation de mise à jour serveur était toujours en "
                                            "cours. La mise à jour reste en attente et n'est plus planifiée.")});
        m_personne.fermerRapport();
        QVERIFY(m_site->Installee(m_id));
    }

    // Held back past its five minutes by a move of the update folder, or by the report of a
    // failed installation waiting for the unlock password.
    void retenueAuDelaDeSesCinqMinutes_data()
    {
        QTest::addColumn<bool>("rapportVerrouille");
        QTest::addColumn<QString>("raison");
        QTest::newRow("déplacement") << false
                                     << QStringLiteral("un déplacement du dossier des mises à jour était toujours en "
                                                       "cours");
        QTest::newRow("rapport verrouillé")
            << true
            << QStringLiteral("le rapport d'une installation attendait toujours le mot de passe de déverrouillage");
    }

    void retenueAuDelaDeSesCinqMinutes()
    {
        QFETCH(bool, rapportVerrouille);
        QFETCH(QString, raison);
        if (rapportVerrouille) {
            QFile(m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("/REFUS")).open(QIODevice::WriteOnly);
            m_installation->InstallerMajServeur(m_fichier, QStringLiteral("512"), QString::number(m_id));
            QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
            QCOMPARE(m_personne.rapports.first().first().Code, QStringLiteral("2"));
        } else {
            // As a move of the update folder holds it.
            m_reseau->Etat_().InstallationEnCours = true;
        }
        planifierA14h();
        QVERIFY(!ticA(a(2026, 12, 15, 14, 0, 0)));
        QVERIFY(!ticA(a(2026, 12, 15, 14, 5, 1)));
        QVERIFY(!m_reseau->Tim_InstallDiffere.isActive());
        QVERIFY(m_differee->Plan().Vide());
        QVERIFY(!m_site->Differee(m_id));
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|L'installation différée de la mise à jour serveur 512 prévue le "
                                            "15/12/2026 à 14:00:00 n'a pas été lancée : cinq minutes après l'heure "
                                            "prévue, ")
                             + raison + QStringLiteral(". La mise à jour reste en attente et n'est plus planifiée.")});
        if (rapportVerrouille) {
            m_personne.fermerRapport();
            QVERIFY(!m_site->Installee(m_id));
        }
    }
};

QUENTARIS_TEST(TstInstallationDifferee)
#include "tst_InstallationDifferee.moc"
