#include "platform/FichierProvisoire.h"
#include "support/BancMaj.h"
#include "support/FichiersTest.h"
#include "support/JournalTest.h"
#include "support/LimitesTest.h"
#include "support/MontageTemporaire.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"
#include "support/SortieCapturee.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString Disponible
    = QStringLiteral("0|Une mise à jour est disponible, elle va être téléchargée automatiquement.");

QString succes(qint64 numero)
{
    return QStringLiteral("0|Le téléchargement de la mise à jour ") + QString::number(numero)
        + QStringLiteral(" a été effectué avec succès.");
}

QString prisEnCompte(qint64 numero)
{
    return QStringLiteral("0|Le téléchargement de la mise à jour poste ") + QString::number(numero)
        + QStringLiteral(" a été pris en compte par le serveur QUENTARIS.");
}

QString echec(qint64 numero)
{
    return QStringLiteral("1|Le téléchargement de la mise à jour ") + QString::number(numero)
        + QStringLiteral(" n'as pas pu être effectué. ");
}

// Files of this process that are open in `dossier`, as /proc shows them ("#123 (deleted)" for
// a file without a name).
QStringList ouvertsDans(const QString& dossier)
{
    QStringList ouverts;
    const QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QString& n : fd.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString cible = QFile::symLinkTarget(fd.filePath(n));
        if (cible.startsWith(dossier + QLatin1Char('/')))
            ouverts.append(cible.mid(dossier.size() + 1));
    }
    return ouverts;
}

} // namespace

// Downloads through a bad link, each run by one check against the simulated service: cuts
// resumed with ranges, passing failures tried again, failures that stop the check so that no
// update overtakes one that failed, redirections, trickles, and partial data that never has a
// name in the update folder.
class TstReprises : public QObject
{
    Q_OBJECT

    std::unique_ptr<BancMaj> m_b;
    std::unique_ptr<LimitesTest> m_limites;

    ServiceSimule& service() { return m_b->sim->Service(); }

    // Offers a workstation update of `taille` bytes at majs/MAJ<numero>.zip.
    QByteArray offrir(qint64 numero, int taille = 10000)
    {
        const QByteArray contenu = SimulateurTest::Contenu(numero, taille);
        m_b->sim->Ajouter(numero, QStringLiteral("majs/MAJ") + QString::number(numero) + QStringLiteral(".zip"),
                          QStringLiteral("0"), contenu);
        return contenu;
    }

    void verifier()
    {
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QVERIFY(fin.wait(20000));
    }

    // The requests received for a path, with the range each one asked for.
    QStringList demandes(const QString& chemin) const
    {
        QStringList d;
        for (const ServiceSimule::Requete& r : m_b->sim->Service().Recues)
            if (r.Chemin == chemin)
                d.append(QString::fromLatin1(r.Entetes.value("range", "-")));
        return d;
    }

    QStringList contenuDuDossierMaj() const { return EntreesDossier(m_b->etat.EmplacementMaj); }

private slots:
    void init()
    {
        m_b = std::make_unique<BancMaj>();
        m_b->dossier.EcrireParametres();
        m_limites = std::make_unique<LimitesTest>();
    }
    void cleanup()
    {
        m_b.reset();
        m_limites.reset();
        FichierProvisoire::FixerSansNomPermis(true);
    }

    // Cut after half the file: the next attempt asks for the rest and the file is whole.
    void coupureRepriseParPlage()
    {
        const QByteArray contenu = offrir(1001);
        service().CoupureApres = 5000;
        SortieCapturee sortie;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")),
                 QStringList({QStringLiteral("-"), QStringLiteral("bytes=5000-")}));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(LignesJournal(), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
        QCOMPARE(m_b->statut.appels,
                 QStringList({QStringLiteral("ouvrir manuelle"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 en cours ... /10000"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 interrompu. Nouvelle tentative "
                                             "dans 1 s…"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."),
                              QStringLiteral("fermer manuelle")}));
        QCOMPARE(m_b->statut.derniereProgression, qint64(10000));
        const QStringList tentatives = sortie.Contenant(QStringLiteral("tentative"));
        QCOMPARE(tentatives.size(), 1);
        // The reason is the network client's own text, in the program's language.
        QVERIFY2(tentatives.at(0).contains(QStringLiteral("MAJ1001.zip : tentative 1 échouée (")),
                 qPrintable(tentatives.at(0)));
        QVERIFY2(tentatives.at(0).endsWith(QStringLiteral("), nouvelle tentative dans 1 s")),
                 qPrintable(tentatives.at(0)));
    }

    // A service that ignores ranges answers the whole file again: the file starts over. When it
    // is cut at the same place every time, the bytes received again are no progress: the
    // retries run out and the check ends.
    void serviceSansPlages()
    {
        const QByteArray contenu = offrir(1001);
        service().CoupureApres = 5000;
        service().PlagesIgnorees = true;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")),
                 QStringList({QStringLiteral("-"), QStringLiteral("bytes=5000-")}));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>{1001});

        LimitesWeb limites = LimitesCourtes();
        limites.ProgresSuffisant = 4000;
        RequeteWeb::FixerLimites(limites);
        offrir(1002);
        service().CoupureRepetee = true;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1002.zip")),
                 QStringList({QStringLiteral("-"), QStringLiteral("bytes=5000-"), QStringLiteral("bytes=5000-"),
                              QStringLiteral("bytes=5000-"), QStringLiteral("bytes=5000-")}));
        QCOMPARE(LignesJournal().mid(3), QStringList({Disponible, echec(1002)}));
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>{1001});
    }

    // A service that ignores ranges and cuts at alternating points: only bytes beyond the most
    // the file ever held are progress, so going back and forth renews nothing and the retries
    // run out. A download whose every attempt brings more is never given up for its number of
    // attempts. The network client may send a request again by itself when a connection closes
    // early, so the attempts are counted from the program's own lines rather than from the
    // requests.
    void coupuresVariables()
    {
        LimitesWeb limites = LimitesCourtes();
        limites.ProgresSuffisant = 1000;
        RequeteWeb::FixerLimites(limites);
        offrir(1001);
        service().PlagesIgnorees = true;
        service().Coupures = {2000, 4000};
        {
            SortieCapturee sortie;
            verifier();
            QCOMPARE(sortie.Contenant(QStringLiteral("nouvelle tentative dans")).size(), 3);
            QVERIFY(sortie.Contenant(QStringLiteral("reprise immédiate")).size() <= 2);
        }
        const QStringList plages = demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"));
        QVERIFY2(plages.contains(QStringLiteral("bytes=2000-")) && plages.contains(QStringLiteral("bytes=4000-")),
                 qPrintable(plages.join(QLatin1Char(' '))));
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
        QVERIFY(contenuDuDossierMaj().isEmpty());

        // Ranges honoured and a cut every 1000 bytes: each of the ten attempts brings more, so
        // a bound of four attempts without progress never comes into play.
        limites.TentativesSansProgresMax = 4;
        RequeteWeb::FixerLimites(limites);
        service().PlagesIgnorees = false;
        service().Coupures = {1000};
        {
            SortieCapturee sortie;
            verifier();
            QVERIFY2(sortie.Contenant(QStringLiteral(" échouée (")).size() >= 9,
                     qPrintable(sortie.Contenant(QStringLiteral("tentative")).join(QLatin1Char('\n'))));
        }
        QCOMPARE(LignesJournal().mid(2), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>{1001});

        // Without progress, the bound ends the download: the service answers the same 1000 bytes
        // and cuts, over and over.
        offrir(1002);
        service().PlagesIgnorees = true;
        limites.RelancesMs = QVector<int>(10, 20);
        RequeteWeb::FixerLimites(limites);
        SortieCapturee sortie;
        verifier();
        const QStringList abandon = sortie.Contenant(QStringLiteral("Mise à jour 1002 non récupérée"));
        QCOMPARE(abandon.size(), 1);
        QVERIFY2(abandon.at(0).endsWith(QStringLiteral(" ; abandon après 4 tentatives sans progrès")),
                 qPrintable(abandon.at(0)));
        QCOMPARE(LignesJournal().mid(5), QStringList({Disponible, echec(1002)}));
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>{1001});
    }

    void troisIndisponibilitesPuisSucces()
    {
        const QByteArray contenu = offrir(1001);
        service().EchecsTemporaires = 3;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 4);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(LignesJournal(), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
    }

    // Four failures: one anomaly, and the update listed after it waits; the next check asks
    // for the failed one again and gets both.
    void echecDefinitifBloqueLaSuite()
    {
        const QByteArray premiere = offrir(1001);
        const QByteArray seconde = offrir(1002);
        service().EchecsTemporaires = 4;
        SortieCapturee sortie;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 4);
        QVERIFY(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1002.zip")).isEmpty());
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
        QVERIFY(BancMaj::VersionsEnregistrees().isEmpty());
        QVERIFY(contenuDuDossierMaj().isEmpty());
        QCOMPARE(sortie.Contenant(QStringLiteral("tentative")).size(), 3);
        QCOMPARE(sortie.Contenant(QStringLiteral("réponse HTTP 503 Service Unavailable")).size(), 4);
        QCOMPARE(sortie.Contenant(QStringLiteral("les mises à jour suivantes attendent")),
                 QStringList{QStringLiteral("La mise à jour 1001 n'a pas été téléchargée : les mises à jour "
                                            "suivantes attendent la prochaine vérification (1002).")});

        verifier();
        QCOMPARE(service().Recues.last().Chemin, QStringLiteral("/suivimaj/enrtel.php"));
        QStringList requetes;
        for (const ServiceSimule::Requete& r : service().Recues)
            if (r.Chemin == QLatin1String("/suivimaj/version.php"))
                requetes.append(r.Valeurs.value(QStringLiteral("vers")));
        QCOMPARE(requetes, QStringList({QStringLiteral("0"), QStringLiteral("0")}));
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>({1001, 1002}));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), premiere);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1002.zip"))), seconde);
    }

    // The file is not there: no new attempt, and nothing after it.
    void introuvableSansNouvelleTentative()
    {
        offrir(1001);
        offrir(1002);
        service().StatutFichiers = 404;
        verifier();
        QCOMPARE(service().Chemins().filter(QStringLiteral("/suivimaj/admin/")),
                 QStringList{QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")});
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
    }

    // The reproduced fault: a server update fails on a full update folder (not tried again),
    // the next one waits; once there is room, the next check gets both, in order.
    void dossierPleinPuisLibere()
    {
        PetitDisque disque(QStringLiteral("1m"));
        MONTAGE_OU_QSKIP(disque);
        // The update folder on the small disk, whose room a filler file takes but 64 KiB.
        m_b->etat.EmplacementMaj = QDir(disque.Chemin()).filePath(QStringLiteral("maj"));
        QVERIFY(QDir().mkpath(m_b->etat.EmplacementMaj));
        QFile remplissage(QDir(disque.Chemin()).filePath(QStringLiteral("remplissage")));
        QVERIFY(remplissage.open(QIODevice::WriteOnly));
        QCOMPARE(remplissage.write(QByteArray(1024 * 1024 - 64 * 1024, 'r')), qint64(1024 * 1024 - 64 * 1024));
        remplissage.close();
        const QByteArray serveur = SimulateurTest::Contenu(1001, 200000);
        m_b->sim->Ajouter(1001, QStringLiteral("majs/MAJ1001.zip"), QStringLiteral("1"), serveur);
        const QByteArray poste = offrir(1002, 3000);
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 1);
        QVERIFY(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1002.zip")).isEmpty());
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
        QVERIFY(contenuDuDossierMaj().isEmpty());

        QVERIFY(remplissage.remove());
        verifier();
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>({1001, 1002}));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), serveur);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1002.zip"))), poste);
    }

    // A service that moved: the query and the file follow 301 and 307 answers.
    void redirectionsSuivies()
    {
        const QByteArray contenu = offrir(1001);
        service().Redirections.insert(QStringLiteral("/suivimaj/version.php"),
                                      {301, QStringLiteral("/v2/suivimaj/version.php")});
        service().Redirections.insert(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"),
                                      {301, QStringLiteral("/miroir/suivimaj/admin/majs/MAJ1001.zip")});
        service().Redirections.insert(
            QStringLiteral("/miroir/suivimaj/admin/majs/MAJ1001.zip"),
            {307, m_b->sim->Adresse() + QStringLiteral("/depot/suivimaj/admin/majs/MAJ1001.zip")});
        verifier();
        QCOMPARE(service().Chemins().mid(0, 5),
                 QStringList({QStringLiteral("/suivimaj/version.php"), QStringLiteral("/v2/suivimaj/version.php"),
                              QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"),
                              QStringLiteral("/miroir/suivimaj/admin/majs/MAJ1001.zip"),
                              QStringLiteral("/depot/suivimaj/admin/majs/MAJ1001.zip")}));
        QCOMPARE(service().Recues.at(1).Valeurs.value(QStringLiteral("user")), QStringLiteral("61742"));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(LignesJournal(), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
    }

    // From https, a redirection to http is refused and journalled with both addresses.
    void redirectionVersHttpRefusee()
    {
        m_b->NouveauService(true);
        SimulateurTest clair;
        offrir(1001);
        service().Redirections.insert(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"),
                                      {302, clair.Adresse() + QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")});
        verifier();
        QVERIFY(clair.Service().Recues.isEmpty());
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 1);
        QCOMPARE(LignesJournal(),
                 QStringList({Disponible,
                              QStringLiteral("1|La redirection de « ") + m_b->sim->Adresse()
                                  + QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip » vers « ") + clair.Adresse()
                                  + QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip » a été refusée : une adresse "
                                                   "https n'est jamais suivie vers une adresse moins sûre."),
                              echec(1001)}));
    }

    // A body that keeps coming far below the minimal rate is cut like a stall, and tried again.
    void filetCoupe()
    {
        LimitesWeb limites = LimitesCourtes();
        limites.FenetreDebitMs = 300;
        limites.DebitMinimal = 1024;
        RequeteWeb::FixerLimites(limites);
        offrir(1001, 100000);
        service().PauseMs = 50;
        service().MorceauLent = 8;
        SortieCapturee sortie;
        verifier();
        const QStringList plages = demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"));
        QCOMPARE(plages.size(), 4);
        QCOMPARE(plages.at(0), QStringLiteral("-"));
        for (const QString& p : plages.mid(1))
            QVERIFY2(p.startsWith(QStringLiteral("bytes=")), qPrintable(p));
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
        QCOMPARE(sortie.Contenant(QStringLiteral("moins de 1024 octets par seconde reçus en moyenne sur 0.3 secondes"))
                     .size(),
                 4);
    }

    // While the check waits to try again, the bytes already received are held by the program
    // in a file that has no name in the update folder; they go with the check.
    void partielSansNom()
    {
        LimitesWeb limites = LimitesCourtes();
        limites.RelancesMs = {3600 * 1000};
        RequeteWeb::FixerLimites(limites);
        offrir(1001);
        service().CoupureApres = 5000;
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QTRY_VERIFY(m_b->statut.appels.contains(
            QStringLiteral("Téléchargement de la mise à jour 1001 interrompu. Nouvelle tentative dans 3600 s…")));
        QCOMPARE(m_b->statut.derniereProgression, qint64(5000));
        QCOMPARE(contenuDuDossierMaj(), QStringList());
        const QStringList ouverts = ouvertsDans(QDir(m_b->dossier.DossierMaj()).canonicalPath());
        QCOMPARE(ouverts.size(), 1);
        QVERIFY2(ouverts.at(0).endsWith(QStringLiteral(" (deleted)")), qPrintable(ouverts.at(0)));
        m_b->verif.reset();
        QCOMPARE(ouvertsDans(QDir(m_b->dossier.DossierMaj()).canonicalPath()), QStringList());
        QCOMPARE(contenuDuDossierMaj(), QStringList());
    }

    // Where the folder cannot hold a file without a name, the partial file is hidden, and one
    // left behind by a killed program goes at the next download.
    void fichierCacheSansNomImpossible()
    {
        FichierProvisoire::FixerSansNomPermis(false);
        const QString reste = FichierProvisoire::PrefixeCache() + QStringLiteral("3f2a");
        m_b->dossier.EcrireFichier(QStringLiteral("maj/") + reste, "reste d'un arrêt brutal");
        const QByteArray contenu = offrir(1001);
        service().CoupureApres = 5000;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 2);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(contenuDuDossierMaj(), QStringList{QStringLiteral("MAJ1001.zip")});
    }
};

QUENTARIS_TEST(TstReprises)
#include "tst_Reprises.moc"
