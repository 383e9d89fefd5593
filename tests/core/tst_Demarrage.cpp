#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/Composants.h"
#include "core/DeplacementMaj.h"
#include "core/Frm_Reseau.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "platform/Systeme.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/SortieCapturee.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records the order of what start-up does, with the number of messages shown at that moment.
struct Trace
{
    QStringList etapes;
    InterlocuteurScripte* messages = nullptr;
    void noter(const QString& etape)
    {
        etapes.append(etape + QLatin1Char('@') + QString::number(messages ? messages->affiches.size() : 0));
    }
};

class PostesFactices : public ServicePostes
{
public:
    explicit PostesFactices(Trace& trace) : m_trace(trace) { }
    bool Ecouter(quint16 portControle, quint16 portTransfert, QString* erreur) override
    {
        m_trace.noter(QStringLiteral("ecouter:%1:%2").arg(portControle).arg(portTransfert));
        if (echec)
            *erreur = QStringLiteral("Impossible d'écouter sur le port %1.").arg(portControle);
        return !echec;
    }
    int PostesConnectes() const override { return postes; }
    int TransfertsOuverts() const override { return 0; }
    int postes = 0;
    bool echec = false;

private:
    Trace& m_trace;
};

class ConsoleFactice : public ServiceConsole
{
public:
    explicit ConsoleFactice(Trace& trace) : m_trace(trace) { }
    void AfficherPremierDemarrage(std::function<void()> ensuite) override
    {
        m_trace.noter(QStringLiteral("parametres"));
        if (pendantLEcran)
            pendantLEcran();
        ensuite();
    }
    void AfficherIcone() override { m_trace.noter(QStringLiteral("icone")); }
    void RetirerIcone() override { m_trace.noter(QStringLiteral("retirer")); }
    void OuvrirMenu() override { m_trace.noter(QStringLiteral("menu")); }
    void VerifConnectes() override { }
    // What happens elsewhere while the first-start screen is open.
    std::function<void()> pendantLEcran;

private:
    Trace& m_trace;
};

const QString kDeuxFois
    = QStringLiteral("Le serveur de mise à jour est déjà en cours d'éxecution sur cette machine.\r\n"
                     "Cette application ne peut pas être ouverte deux fois sur la même machine.");
const QString kBase = QStringLiteral(
    "L'application serveur de mise à jour a rencontré un problème lors de la tentative de connexion à sa base de "
    "données interne.\r\nLe programme va être arrêté. Si le problème persiste, veuillez contacter l'équipe technique "
    "d'QUENTARIS");
const QString kPremiere = QStringLiteral(
    "Vous ouvrez pour la première fois l'application de mise à jour automatique d'QUENTARIS, vous devez configurer "
    "celle-ci afin que les mises à jour soient effectuées correctement.");

} // namespace

class TstDemarrage : public QObject
{
    Q_OBJECT

    struct Banc
    {
        InterlocuteurScripte messages;
        Trace trace;
        PostesFactices postes{trace};
        ConsoleFactice console{trace};
        Frm_Reseau reseau;
        QSignalSpy fin{&reseau, &Frm_Reseau::Fin};
        QSignalSpy demarre{&reseau, &Frm_Reseau::Demarre};
        Banc()
        {
            trace.messages = &messages;
            reseau.Brancher(&postes, &console);
            reseau.RemplacerTestAdministrateur([] { return true; });
        }
        int codeDeFin() const { return fin.isEmpty() ? -1 : fin.first().first().toInt(); }
    };

private slots:
    void secondeCopieRefuseeAvantDOuvrirLaBase()
    {
        DossierTest dossier(false); // no database: opening it first would show another message
        Systeme::InstanceUnique premiere(dossier.Chemin());
        QVERIFY(premiere.prendre());
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(), QStringList{kDeuxFois});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().titre, QStringLiteral("Message QUENTARIS"));
        QCOMPARE(banc.codeDeFin(), 1);
        QVERIFY(banc.trace.etapes.isEmpty());
        QVERIFY(!BaseInterne::Connexion().isOpen());
    }

    void demarrageAutomatiqueSilencieux()
    {
        DossierTest dossier;
        {
            Systeme::InstanceUnique premiere(dossier.Chemin());
            QVERIFY(premiere.prendre());
            Banc banc;
            banc.reseau.Demarrer(dossier.Chemin(), true);
            QVERIFY(banc.messages.affiches.isEmpty());
            QCOMPARE(banc.codeDeFin(), 0);
        }
        Banc banc;
        banc.reseau.RemplacerTestAdministrateur([] { return false; });
        banc.reseau.Demarrer(dossier.Chemin(), true);
        QVERIFY(banc.messages.affiches.isEmpty());
        QCOMPARE(banc.codeDeFin(), 0);
    }

    void sessionSansDroitsRefusee()
    {
        DossierTest dossier;
        Banc banc;
        banc.reseau.RemplacerTestAdministrateur([] { return false; });
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Le serveur de mise à jour ne peut pas être démarré sur une session "
                                            "utilisateur qui n'est pas administrateur.\r\nVeuillez vous connecter sur "
                                            "la session administrateur et relancez le serveur de mise à jour.")});
        QCOMPARE(banc.codeDeFin(), 1);
        QVERIFY(banc.trace.etapes.isEmpty());
    }

    void baseAbsenteArreteLeProgramme()
    {
        DossierTest dossier(false);
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(), QStringList{kBase});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Information);
        QCOMPARE(banc.codeDeFin(), 1);
        QVERIFY(banc.trace.etapes.isEmpty());
    }

    // Another program writing at that moment does not make the database unwritable.
    void baseVerrouilleeAuDemarrage()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        AutreProgramme autre(dossier.Fichier(BaseInterne::NomFichier()));
        QVERIFY(autre.Executer(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(autre.Executer(QStringLiteral("DELETE FROM EvtMaj")));
        {
            Banc banc;
            banc.reseau.Demarrer(dossier.Chemin(), false);
            QVERIFY(banc.messages.affiches.isEmpty());
            QCOMPARE(banc.demarre.size(), 1);
        }
        QVERIFY(autre.Executer(QStringLiteral("ROLLBACK")));
    }

    // A download killed between naming its file and the final rename leaves a hidden partial
    // file, which no later download may meet: the start removes it, and nothing else.
    void fichiersPartielsSupprimesAuDemarrage()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        dossier.EcrireFichier(QStringLiteral("maj/.quentaris-partiel-5f3a"), "moitié");
        dossier.EcrireFichier(QStringLiteral("maj/maj121.zip"), "archive");
        SortieCapturee sortie;
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.demarre.size(), 1);
        QCOMPARE(EntreesDossier(dossier.DossierMaj()), QStringList{QStringLiteral("maj121.zip")});
        QCOMPARE(sortie.Contenant(QStringLiteral("partiel")),
                 QStringList{QStringLiteral("Fichier partiel abandonné supprimé : ") + dossier.DossierMaj()
                             + QStringLiteral("/.quentaris-partiel-5f3a")});
    }

    void premierDemarrageAvantToutEcouteur()
    {
        DossierTest dossier;
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(), QStringList{kPremiere});
        QCOMPARE(banc.trace.etapes,
                 QStringList({QStringLiteral("parametres@1"),
                              QStringLiteral("ecouter:%1:%2@1").arg(dossier.portControle).arg(dossier.portTransfert),
                              QStringLiteral("icone@1"), QStringLiteral("menu@1")}));
        QCOMPARE(banc.demarre.size(), 1);
        QVERIFY(banc.fin.isEmpty());
        // Nothing saved: no schedule.
        QCOMPARE(banc.reseau.Etat_().Jours, (std::array<bool, 7>{}));
        QCOMPARE(banc.reseau.Etat_().W_HeureVerif, QString());
        QVERIFY(banc.reseau.Tim_VerifMAJ.isActive());
        QCOMPARE(banc.reseau.Tim_VerifMAJ.interval(), 60000);
        QVERIFY(!banc.reseau.Tim_InstallDiffere.isActive());
    }

    // Settings that can no longer be read once the first-start screen has closed are no empty
    // schedule: the start ends as with an unreadable database.
    void parametresIllisiblesApresLePremierEcran()
    {
        DossierTest dossier;
        Banc banc;
        banc.console.pendantLEcran = [&dossier] {
            AutreProgramme autre(dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE ParamMajInt RENAME TO ParamMajIntCachee")));
        };
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(), (QStringList{kPremiere, kBase}));
        QCOMPARE(banc.codeDeFin(), 1);
        QCOMPARE(banc.trace.etapes, QStringList{QStringLiteral("parametres@1")});
        QVERIFY(banc.demarre.isEmpty());
        QVERIFY(!banc.reseau.Tim_VerifMAJ.isActive());
    }

    void parametresChargesEtDechiffres()
    {
        DossierTest dossier;
        dossier.EcrireParametres(QStringLiteral("06:45"), QStringLiteral("compte"), QStringLiteral("mot'de\"passe"),
                                 {false, true, false, false, false, false, true});
        dossier.EcrireFichier(QStringLiteral("systeme/quentaris.ini"), "UNIDATA=srv02\r\nCOMPTA=D:\\C\r\n");
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QVERIFY(banc.messages.affiches.isEmpty());
        const Etat& e = banc.reseau.Etat_();
        QCOMPARE(e.W_User, QStringLiteral("compte"));
        QCOMPARE(e.W_Pass, QStringLiteral("mot'de\"passe"));
        QCOMPARE(e.W_HeureVerif, QStringLiteral("06:45"));
        QCOMPARE(e.Jours, (std::array<bool, 7>{false, true, false, false, false, false, true}));
        QCOMPARE(e.EmplacementMaj, dossier.DossierMaj());
        QCOMPARE(e.ServeurUniDATA, QStringLiteral("srv02"));
        QCOMPARE(e.DossierWindows, dossier.DossierSysteme());
        QVERIFY(!e.InstallationEnCours);
        QVERIFY(!e.VerificationManuelle);
        QCOMPARE(banc.demarre.size(), 1);
    }

    // A row made by the proxy screen alone holds no settings: the next start asks for them.
    void ligneDuProxySeuleRedemandeLesParametres()
    {
        DossierTest dossier;
        Parametres proxy;
        proxy.ProxyActifMaj = true;
        TableParametres::InsererProxy(proxy);
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.messages.Textes(), QStringList{kPremiere});
        QCOMPARE(banc.trace.etapes.first(), QStringLiteral("parametres@1"));
        QCOMPARE(banc.demarre.size(), 1);
        QCOMPARE(banc.reseau.Etat_().W_Pass, QString());
        QCOMPARE(banc.reseau.Etat_().W_HeureVerif, QString());
    }

    // The site's files are read before the settings are asked for: on a first start, a missing
    // quentaris.ini ends the program with its message alone, no first-start screen filled in for
    // nothing. The refused start is an error for the journal, where its line carries the
    // priority instead of a time; a standard error that is not the journal named in
    // JOURNAL_STREAM (a terminal opened from a service) keeps the time.
    void fichiersDeConfigurationFautifs()
    {
        const auto journalSurLaSortie = [] {
            struct stat infos
            {
            };
            QVERIFY(::fstat(STDERR_FILENO, &infos) == 0);
            qputenv("JOURNAL_STREAM",
                    QByteArray::number(qulonglong(infos.st_dev)) + ':' + QByteArray::number(qulonglong(infos.st_ino)));
        };
        {
            DossierTest dossier;
            const QString ini = dossier.Fichier(QStringLiteral("systeme/quentaris.ini"));
            QFile::remove(ini);
            SortieCapturee sortie;
            journalSurLaSortie();
            Banc banc;
            banc.reseau.Demarrer(dossier.Chemin(), false);
            qunsetenv("JOURNAL_STREAM");
            QCOMPARE(banc.codeDeFin(), 1);
            QCOMPARE(banc.messages.Textes().size(), 1);
            QVERIFY(banc.messages.Dernier().contains(ini));
            QVERIFY(banc.trace.etapes.isEmpty());
            QCOMPARE(sortie.Brutes().filter(ini),
                     QStringList{QStringLiteral("<3>Message QUENTARIS: ") + banc.messages.Dernier()});
        }
        {
            DossierTest dossier;
            dossier.EcrireFichier(QStringLiteral("configserv.ini"), "PORT=vingt-huit mille\n");
            SortieCapturee sortie;
            qputenv("JOURNAL_STREAM", "8:1234");
            Banc banc;
            banc.reseau.Demarrer(dossier.Chemin(), false);
            qunsetenv("JOURNAL_STREAM");
            QCOMPARE(banc.codeDeFin(), 1);
            QVERIFY(banc.messages.Dernier().startsWith(QStringLiteral("Le port \"vingt-huit mille\"")));
            const QStringList lignes = sortie.Brutes().filter(QStringLiteral("vingt-huit"));
            QCOMPARE(lignes.size(), 1);
            QVERIFY2(
                QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} Message QUENTARIS: "))
                    .match(lignes.first())
                    .hasMatch(),
                qPrintable(lignes.first()));
        }
        {
            DossierTest dossier;
            QFile::remove(dossier.Fichier(QStringLiteral("configserv.ini")));
            Banc banc;
            banc.reseau.Demarrer(dossier.Chemin(), false);
            QCOMPARE(banc.codeDeFin(), 1);
            QVERIFY(banc.messages.Dernier().contains(dossier.Fichier(QStringLiteral("configserv.ini"))));
        }
    }

    void ecouteImpossible()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        Banc banc;
        banc.postes.echec = true;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        QCOMPARE(banc.codeDeFin(), 1);
        QCOMPARE(banc.messages.Dernier(),
                 QStringLiteral("Impossible d'écouter sur le port %1.").arg(dossier.portControle));
        QVERIFY(banc.demarre.isEmpty());
    }

    void fermetureRefuseeTantQuUnPosteEstConnecte()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        banc.postes.postes = 1;
        QVERIFY(!banc.reseau.DemandeFermeture());
        QCOMPARE(banc.messages.Dernier(),
                 QStringLiteral("Vous ne pouvez pas quitter le serveur car des postes sont connectés sur celui-ci !"));
        QVERIFY(banc.fin.isEmpty());
        banc.postes.postes = 0;
        QVERIFY(banc.reseau.DemandeFermeture());
        QCOMPARE(banc.messages.affiches.size(), 1);
        banc.reseau.Arreter(0);
        QCOMPARE(banc.codeDeFin(), 0);
        QVERIFY(banc.trace.etapes.last().startsWith(QStringLiteral("retirer")));
    }

    // Neither the system, the session nor the menu stops the server half way through a move
    // of the update folder.
    void fermetureRefuseePendantUnDeplacement()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        Banc banc;
        banc.reseau.Demarrer(dossier.Chemin(), false);
        for (qint64 version : {121, 122})
            QVERIFY(dossier.PublierMaj(version, QStringLiteral("maj%1.zip").arg(version), "archive"));
        const QString nouveau = dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));
        DeplacementMaj deplacement(banc.reseau.Etat_(), [&banc] { return banc.reseau.TransfertsOuverts(); });
        QSignalSpy fin(&deplacement, &DeplacementMaj::Termine);
        QList<bool> acceptees;
        connect(&deplacement, &DeplacementMaj::Progression, this,
                [&] { acceptees.append(banc.reseau.DemandeFermeture()); });
        deplacement.Demarrer(dossier.DossierMaj(), nouveau);
        acceptees.append(banc.reseau.DemandeFermeture());
        QTRY_COMPARE(fin.size(), 1);
        QCOMPARE(acceptees, (QList<bool>{false, false, false}));
        const QString refus = QStringLiteral("Le serveur ne peut pas être arrêté pendant une installation ou un "
                                             "déplacement des mises à jour.");
        QCOMPARE(banc.messages.Textes(), (QStringList{refus, refus, refus}));
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QVERIFY(banc.fin.isEmpty());
        // Once the files are in place the close proceeds.
        QVERIFY(banc.reseau.DemandeFermeture());
    }
};

QUENTARIS_TEST(TstDemarrage)
#include "tst_Demarrage.moc"
