#include "core/Frm_Reseau.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/ExtractionArchive.h"
#include "installation/MiseAJourBases.h"
#include "installation/TemoinCommande.h"
#include "platform/SignauxArret.h"
#include "support/Descripteurs.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "support/SiteInstallation.h"
#include "support/SortieCapturee.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <memory>

namespace {

QString ligne(const ResultatBase& r)
{
    return r.Nom + QLatin1Char('|') + r.Etat + QLatin1Char('|') + r.Message + QLatin1Char('|') + r.Code;
}

QStringList lignes(const QVector<ResultatBase>& resultats)
{
    QStringList l;
    for (const ResultatBase& r : resultats)
        l.append(ligne(r));
    return l;
}

} // namespace

class TstMiseAJourBases : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Frm_Reseau> m_reseau;
    std::unique_ptr<SiteInstallation> m_site;
    std::unique_ptr<ClientUniDATALocal> m_client;
    std::unique_ptr<MiseAJourBases> m_bases;
    InterlocuteurInstallationScripte m_personne;
    // Processes a command left behind, ended with the test.
    QList<qint64> m_restes;

    // Unpacks the update of that version into the server folder, as the installation does.
    QString deballer(const QString& version, bool serveur = false, bool installMaj = true)
    {
        const QString fichier = m_site->CreerArchive(version, serveur, installMaj);
        const QString dossier = m_site->DossierServeur() + QLatin1Char('/') + version;
        QDir().mkpath(dossier);
        ExtractionArchive::ExtraireArchive(m_dossier->DossierMaj() + QLatin1Char('/') + fichier, dossier, QString());
        return dossier;
    }

    // Runs the update to its end; its result.
    int executer(const QString& version)
    {
        int resultat = -1;
        m_bases->Lancer(m_site->DossierServeur() + QLatin1Char('/'), version, [&resultat](int r) { resultat = r; });
        if (!QTest::qWaitFor([&resultat] { return resultat != -1; }, 20000))
            return -2;
        return resultat;
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_reseau = std::make_unique<Frm_Reseau>();
        m_site = std::make_unique<SiteInstallation>(*m_dossier, m_reseau->Etat_());
        m_client = std::make_unique<ClientUniDATALocal>();
        m_bases = std::make_unique<MiseAJourBases>(m_reseau->Etat_(), *m_client);
        m_personne = InterlocuteurInstallationScripte();
        m_bases->FixerInterlocuteur(&m_personne);
    }

    void cleanup()
    {
        for (const qint64 pid : std::as_const(m_restes))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        m_restes.clear();
        m_bases.reset();
        m_client.reset();
        m_site.reset();
        m_reseau.reset();
        m_dossier.reset();
    }

    void lectureDeLaListeEtDuFichierIni()
    {
        m_site->EcrireBases("COMPTA\r\nPAIE\rStock \nstock\n\nFIN");
        m_site->EcrireIni("Serveur=srv01\r\nCOMPTA=/a\nPAIE=/b\r\nCOMPTA=/c\rstock=/d\n"
                          "sans egal\nSERVEURS=srv02\nStock=/e\n=/vide\n");
        ListeBases liste;
        ResultatBase probleme;
        QVERIFY(LectureBases::Lire(m_site->Partage() + QStringLiteral("/BASES.TXT"),
                                   m_dossier->DossierSysteme() + QStringLiteral("/quentaris.ini"), &liste, &probleme));
        QStringList vues;
        for (const ListeBases::Base& b : liste.Bases)
            vues.append(b.Nom + QLatin1Char('>') + b.Dossier);
        QCOMPARE(vues,
                 (QStringList{QStringLiteral("COMPTA>/c"), QStringLiteral("PAIE>/b"), QStringLiteral("Stock >"),
                              QStringLiteral("stock>/d"), QStringLiteral(">/vide"), QStringLiteral("FIN>")}));
        QVERIFY(liste.ServeurTrouve);
        QCOMPARE(liste.Serveur, QStringLiteral("srv02"));
    }

    void rapportDeChaqueSituation()
    {
        // The server's stop pair is open, as in the running server.
        SignauxArret arret;
        m_site->Declarer({QStringLiteral("COMPTA"), QStringLiteral("PAIE")});
        m_site->EcrireBases("COMPTA\r\nABSENTE\r\nPAIE\r\nLOIN\r\n");
        m_site->EcrireIni(QByteArray("COMPTA=") + m_site->Base(QStringLiteral("COMPTA")).toUtf8()
                          + "\r\nPAIE=" + m_site->Base(QStringLiteral("PAIE")).toUtf8()
                          + "\r\nLOIN=" + m_site->Base(QStringLiteral("LOIN")).toUtf8() + "\r\nserveur=unisrv\r\n");
        QFile(m_site->Base(QStringLiteral("PAIE")) + QStringLiteral("/REFUS")).open(QIODevice::WriteOnly);
        deballer(QStringLiteral("512"));

        QCOMPARE(executer(QStringLiteral("512")), 1);
        const QString loin = m_site->Base(QStringLiteral("LOIN"));
        QCOMPARE(
            lignes(m_bases->ResultatsMajBases()),
            (QStringList{QStringLiteral("COMPTA|Installée||1"),
                         QStringLiteral("ABSENTE|Non installée|Chemin de la base introuvable dans Quentaris.ini|3"),
                         QStringLiteral("PAIE|Erreur|Veuillez contacter QUENTARIS|2"),
                         QStringLiteral("LOIN|Non installée|Impossible de se connecter a ") + loin
                             + QStringLiteral("|3")}));
        QCOMPARE(m_reseau->Etat_().ServeurUniDATA, QStringLiteral("unisrv"));
        QCOMPARE(m_personne.progression,
                 (QStringList{QStringLiteral("Mise à jour de la base COMPTA en cours sur unisrv..."),
                              QStringLiteral("Mise à jour de la base PAIE en cours sur unisrv..."),
                              QStringLiteral("Mise à jour de la base LOIN en cours sur unisrv...")}));
        QCOMPARE(m_personne.ouvertures, 1);
        QVERIFY(!m_personne.progressionOuverte);
        QVERIFY(!m_bases->RedemarrageNecessaire);

        // The command ran in the database folder, with the version folder's two separators
        // and the folder's first character.
        const QString compta = m_site->Base(QStringLiteral("COMPTA"));
        QCOMPARE(SiteInstallation::Lire(compta + QStringLiteral("/arguments.txt")),
                 (m_site->DossierServeur() + QStringLiteral("//512\n/\nVIDE\n") + compta + QLatin1Char('\n')).toUtf8());
        QCOMPARE(SiteInstallation::Lire(compta + QStringLiteral("/dossier.txt")),
                 (compta + QLatin1Char('\n')).toUtf8());
        // It got standard input, output and error only: neither the internal database nor the
        // stop pair, through which one byte would stop the server.
        QCOMPARE(DescripteursHerites(compta + QStringLiteral("/descripteurs.txt")).join(QStringLiteral(", ")),
                 QString());
        QCOMPARE(SiteInstallation::Lire(compta + QStringLiteral("/INSTALLMAJ/PROGRAMMES/MAJ.TXT")),
                 QByteArray("programme\r\n"));

        // A database missing from the INI file does not make the run fail by itself.
        m_site->EcrireBases("ABSENTE\r\nCOMPTA\r\n");
        QCOMPARE(executer(QStringLiteral("512")), 0);
        QCOMPARE(m_bases->ResultatsMajBases().size(), 2);
    }

    void sansInstallMajEtNouveauServeur()
    {
        m_site->Declarer({QStringLiteral("COMPTA")});
        deballer(QStringLiteral("513"), true, false);
        QCOMPARE(executer(QStringLiteral("513")), 1);
        QCOMPARE(lignes(m_bases->ResultatsMajBases()),
                 QStringList{QStringLiteral("COMPTA|Non Installée|INSTALLMAJ non trouvé|3")});
        QVERIFY(m_bases->RedemarrageNecessaire);

        // The new server program counts only once a database could be reached.
        m_bases->RedemarrageNecessaire = false;
        QDir(m_site->Base(QStringLiteral("COMPTA"))).removeRecursively();
        QCOMPARE(executer(QStringLiteral("513")), 1);
        QVERIFY(!m_bases->RedemarrageNecessaire);

        // The server program under its Linux name counts as well.
        m_site->CreerBase(QStringLiteral("COMPTA"));
        const QString dossier = m_site->DossierServeur() + QStringLiteral("/514");
        QDir().mkpath(dossier + QStringLiteral("/INSTALLMAJ"));
        QFile(dossier + QStringLiteral("/QuentarisServeur")).open(QIODevice::WriteOnly);
        executer(QStringLiteral("514"));
        QVERIFY(m_bases->RedemarrageNecessaire);
    }

    void identifiantsConservesOublieesOuAnnules()
    {
        m_site->Declarer({QStringLiteral("COMPTA")});
        deballer(QStringLiteral("512"));

        Identifiants vide;
        m_personne.reponses = {vide};
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(lignes(m_bases->ResultatsMajBases()),
                 QStringList{QStringLiteral("COMPTA|Non installée|Impossible de se connecter a ")
                             + m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("|3")});

        // Not kept: asked at every installation.
        QCOMPARE(executer(QStringLiteral("512")), 0);
        QCOMPARE(m_bases->UtilisateurUniDATA, QStringLiteral("udt"));
        m_bases->OublierIdentifiants();
        QVERIFY(m_bases->UtilisateurUniDATA.isEmpty());
        QVERIFY(m_bases->MotDePasseUniDATA.isEmpty());
        QCOMPARE(m_personne.demandes, 2);

        // Cancelled: nothing runs and no line of the previous run is left in the report.
        Identifiants annule;
        annule.Annule = true;
        m_personne.reponses = {annule};
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QVERIFY(m_bases->IdentificationAnnulee);
        QVERIFY(m_bases->ResultatsMajBases().isEmpty());
        QCOMPARE(m_personne.ouvertures, 2);

        // Kept: asked once for the rest of the run.
        Identifiants garde;
        garde.Utilisateur = QStringLiteral("admin");
        garde.MotDePasse = QStringLiteral("secret");
        garde.Conserver = true;
        m_personne.reponses = {garde};
        QCOMPARE(executer(QStringLiteral("512")), 0);
        m_bases->OublierIdentifiants();
        QCOMPARE(executer(QStringLiteral("512")), 0);
        QCOMPARE(m_personne.demandes, 4);
        QCOMPARE(m_bases->UtilisateurUniDATA, QStringLiteral("admin"));
        QCOMPARE(m_bases->MotDePasseUniDATA, QStringLiteral("secret"));
        QVERIFY(!m_bases->IdentificationAnnulee);
    }

    void commandeQuiNeFinitPas()
    {
        m_site->Declarer({QStringLiteral("COMPTA"), QStringLiteral("PAIE"), QStringLiteral("STOCK")});
        m_site->EcrireBases("COMPTA\r\nPAIE\r\nABSENTE\r\nSTOCK\r\n");
        deballer(QStringLiteral("512"));
        const QString attente = m_site->Base(QStringLiteral("PAIE")) + QStringLiteral("/ATTENTE");
        QFile(attente).open(QIODevice::WriteOnly);
        m_client->FixerDelaiCommande(300);

        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(
            lignes(m_bases->ResultatsMajBases()),
            (QStringList{QStringLiteral("COMPTA|Installée||1"),
                         QStringLiteral("PAIE|Erreur|Veuillez contacter QUENTARIS|2"),
                         QStringLiteral("ABSENTE|Non installée|Chemin de la base introuvable dans Quentaris.ini|3"),
                         QStringLiteral("STOCK|Non installée|Mise à jour non lancée : la base précédente n'a pas "
                                        "terminé la sienne|3")}));
        QVERIFY(!QFileInfo::exists(m_site->Base(QStringLiteral("STOCK")) + QStringLiteral("/arguments.txt")));
        QVERIFY(!QFileInfo::exists(m_site->Base(QStringLiteral("STOCK")) + QStringLiteral("/INSTALLMAJ")));

        // Tried again while that command still runs: no second command starts there and its
        // INSTALLMAJ folder is left as it is; the other databases go on.
        const QString paie = m_site->Base(QStringLiteral("PAIE"));
        m_dossier->EcrireFichier(QStringLiteral("unidata/PAIE/INSTALLMAJ/PROGRAMMES/MAJ.TXT"), "en service");
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(
            lignes(m_bases->ResultatsMajBases()),
            (QStringList{QStringLiteral("COMPTA|Installée||1"),
                         QStringLiteral("PAIE|Erreur|La mise à jour précédente de la base est toujours en cours|2"),
                         QStringLiteral("ABSENTE|Non installée|Chemin de la base introuvable dans Quentaris.ini|3"),
                         QStringLiteral("STOCK|Installée||1")}));
        QCOMPARE(SiteInstallation::Lire(paie + QStringLiteral("/journal.txt")), QByteArray("debut\n"));
        QCOMPARE(SiteInstallation::Lire(paie + QStringLiteral("/INSTALLMAJ/PROGRAMMES/MAJ.TXT")),
                 QByteArray("en service"));

        // The server stops meanwhile (a stop, or a restart through its updater): it says so,
        // the command is not interrupted, and the server that follows starts no second one.
        {
            SortieCapturee sortie;
            m_bases.reset();
            m_client.reset();
            QCOMPARE(sortie.Contenant(QStringLiteral("Arrêt du serveur")),
                     QStringList{QStringLiteral("Arrêt du serveur de mise à jour pendant la commande LANCEMAJCD de la "
                                                "base ")
                                 + paie + QStringLiteral(" : elle n'est pas interrompue et continue jusqu'à sa fin.")});
        }
        m_client = std::make_unique<ClientUniDATALocal>();
        m_bases = std::make_unique<MiseAJourBases>(m_reseau->Etat_(), *m_client);
        m_bases->FixerInterlocuteur(&m_personne);
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(ligne(m_bases->ResultatsMajBases().at(1)),
                 QStringLiteral("PAIE|Erreur|La mise à jour précédente de la base est toujours en cours|2"));
        QCOMPARE(SiteInstallation::Lire(paie + QStringLiteral("/journal.txt")), QByteArray("debut\n"));

        // Once it has ended on its own, the database updates again.
        QFile::remove(attente);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(paie + QStringLiteral("/INSTALLMAJ/512")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_client->CommandeEnCours(paie), 10000);
        QCOMPARE(executer(QStringLiteral("512")), 0);
        QCOMPARE(SiteInstallation::Lire(paie + QStringLiteral("/journal.txt")), QByteArray("debut\nfin\ndebut\nfin\n"));
    }

    // A command that leaves a process behind (a service it restarts, a daemon): once the
    // command itself has ended, its database updates again.
    void commandeQuiLaisseUnProcessus()
    {
        m_site->Declarer({QStringLiteral("COMPTA")});
        deballer(QStringLiteral("512"));
        const QString compta = m_site->Base(QStringLiteral("COMPTA"));
        QFile(compta + QStringLiteral("/RESTE")).open(QIODevice::WriteOnly);
        QCOMPARE(executer(QStringLiteral("512")), 0);
        const qint64 reste = SiteInstallation::Lire(compta + QStringLiteral("/reste.pid")).trimmed().toLongLong();
        QVERIFY(reste > 0);
        m_restes.append(reste);
        QFile::remove(compta + QStringLiteral("/RESTE"));

        QCOMPARE(executer(QStringLiteral("512")), 0);
        QCOMPARE(lignes(m_bases->ResultatsMajBases()), QStringList{QStringLiteral("COMPTA|Installée||1")});
        QCOMPARE(SiteInstallation::Lire(compta + QStringLiteral("/journal.txt")),
                 QByteArray("debut\nfin\ndebut\nfin\n"));
        QCOMPARE(::kill(static_cast<pid_t>(reste), 0), 0);

        // The record of a command that ended while no server watched, whose pid now names
        // another process (this test program): started at another moment, or before a reboot.
        const QByteArray stat = SiteInstallation::Lire(QStringLiteral("/proc/self/stat"));
        const QByteArray debut = stat.mid(stat.lastIndexOf(')') + 1).simplified().split(' ').value(19);
        const QByteArray boot = SiteInstallation::Lire(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
        const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
        const QString temoin = QStringLiteral("unidata/COMPTA/") + TemoinCommande::NomFichier();
        for (const QByteArray& autre : QList<QByteArray>{pid + " 1 " + boot, pid + ' ' + debut + " 0"}) {
            m_dossier->EcrireFichier(temoin, autre + '\n');
            QCOMPARE(executer(QStringLiteral("512")), 0);
        }
        // The very process it names still runs: no command starts there.
        m_dossier->EcrireFichier(temoin, pid + ' ' + debut + ' ' + boot + '\n');
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(
            lignes(m_bases->ResultatsMajBases()),
            QStringList{QStringLiteral("COMPTA|Erreur|La mise à jour précédente de la base est toujours en cours|2")});
    }

    // A copy of INSTALLMAJ that fails (a file where the update has a folder) fails that
    // database without running its command; the next database goes on.
    void copieImpossibleDansUneBase()
    {
        m_site->Declarer({QStringLiteral("PAIE"), QStringLiteral("COMPTA")});
        deballer(QStringLiteral("512"));
        const QString paie = m_site->Base(QStringLiteral("PAIE"));
        m_dossier->EcrireFichier(QStringLiteral("unidata/PAIE/INSTALLMAJ/PROGRAMMES"), "un fichier");

        SortieCapturee sortie;
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(
            lignes(m_bases->ResultatsMajBases()),
            (QStringList{QStringLiteral("PAIE|Erreur|Copie de INSTALLMAJ impossible, veuillez contacter QUENTARIS|2"),
                         QStringLiteral("COMPTA|Installée||1")}));
        QVERIFY(!QFileInfo::exists(paie + QStringLiteral("/journal.txt")));
        QCOMPARE(SiteInstallation::Lire(m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt")),
                 QByteArray("debut\nfin\n"));
        const QString raison
            = QStringLiteral("Copie de INSTALLMAJ dans la base ") + paie + QStringLiteral(" impossible (");
        QCOMPARE(sortie.Contenant(raison).size(), 1);
    }

    // A command that cannot be started says so in the report; the reason is on standard error.
    void commandeImpossibleALancer()
    {
        m_site->Declarer({QStringLiteral("COMPTA")});
        const QString dossier = deballer(QStringLiteral("512"));
        QFile commande(dossier + QStringLiteral("/INSTALLMAJ/LANCEMAJCD"));
        QVERIFY(commande.open(QIODevice::WriteOnly | QIODevice::Truncate));
        commande.write("#!/interpreteur/introuvable\n");
        commande.close();

        SortieCapturee sortie;
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(lignes(m_bases->ResultatsMajBases()),
                 QStringList{QStringLiteral("COMPTA|Erreur|INSTALLMAJ/LANCEMAJCD ne peut pas être lancé|2")});
        const QString raison = QStringLiteral("Le programme ") + m_site->Base(QStringLiteral("COMPTA"))
            + QStringLiteral("/INSTALLMAJ/LANCEMAJCD n'a pas pu être lancé : ");
        QCOMPARE(sortie.Contenant(raison).size(), 1);
    }

    void listeOuIniIntrouvable()
    {
        m_site->Declarer({QStringLiteral("COMPTA")});
        deballer(QStringLiteral("512"));
        QFile::remove(m_site->Partage() + QStringLiteral("/BASES.TXT"));
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(m_bases->ResultatsMajBases().size(), 1);
        QCOMPARE(m_bases->ResultatsMajBases().first().Code, QStringLiteral("3"));
        QCOMPARE(m_bases->ResultatsMajBases().first().Nom, QStringLiteral("BASES.TXT"));

        m_site->EcrireBases("");
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QVERIFY(m_bases->ResultatsMajBases().first().Message.startsWith(QStringLiteral("Aucune base")));

        m_site->EcrireBases("COMPTA\r\n");
        QFile::remove(m_dossier->DossierSysteme() + QStringLiteral("/quentaris.ini"));
        QCOMPARE(executer(QStringLiteral("512")), 1);
        QCOMPARE(ligne(m_bases->ResultatsMajBases().first()).section(QLatin1Char('|'), 0, 1),
                 QStringLiteral("Quentaris.ini|Non installée"));
        QCOMPARE(m_personne.demandes, 0);
        QCOMPARE(m_personne.ouvertures, 0);
    }
};

QUENTARIS_TEST(TstMiseAJourBases)
#include "tst_MiseAJourBases.moc"
