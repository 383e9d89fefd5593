#include "acquisition/VerificationMaj.h"
#include "core/Etat.h"
#include "core/TableMajDispo.h"
#include "platform/FichierProvisoire.h"
#include "support/DossierTest.h"
#include "support/JournalTest.h"
#include "support/LimitesTest.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"
#include "support/SortieCapturee.h"
#include "support/StatutEnregistre.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

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

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
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

// A tmpfs of a given size mounted over a folder for the time of a test (root only).
class PetitDisque
{
public:
    PetitDisque(const QString& dossier, const char* taille) : m_dossier(QFile::encodeName(dossier))
    {
        m_monte = ::geteuid() == 0
            && ::mount("tmpfs", m_dossier.constData(), "tmpfs", 0, QByteArray(QByteArray("size=") + taille).constData())
                == 0;
    }
    ~PetitDisque()
    {
        if (m_monte)
            ::umount2(m_dossier.constData(), MNT_DETACH);
    }
    bool Monte() const { return m_monte; }
    bool Agrandir(const char* taille)
    {
        return ::mount("tmpfs", m_dossier.constData(), "tmpfs", MS_REMOUNT,
                       QByteArray(QByteArray("size=") + taille).constData())
            == 0;
    }

private:
    QByteArray m_dossier;
    bool m_monte = false;
};

} // namespace

// Downloads through a bad link, each run by one check against the simulated service: cuts
// resumed with ranges, passing failures tried again, failures that stop the check so that no
// update overtakes one that failed, redirections, trickles, and partial data that never has a
// name in the update folder.
class TstReprises : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<SimulateurTest> m_sim;
    std::unique_ptr<Etat> m_etat;
    std::unique_ptr<QTimer> m_minuteur;
    std::unique_ptr<StatutEnregistre> m_statut;
    std::unique_ptr<VerificationMaj> m_verif;
    std::unique_ptr<LimitesTest> m_limites;

    ServiceSimule& service() { return m_sim->Service(); }
    QString maj(const QString& nom) const { return QDir(m_dossier->DossierMaj()).filePath(nom); }

    // Offers a workstation update of `taille` bytes at majs/MAJ<numero>.zip.
    QByteArray offrir(qint64 numero, int taille = 10000)
    {
        const QByteArray contenu = SimulateurTest::Contenu(numero, taille);
        m_sim->Ajouter(numero, QStringLiteral("majs/MAJ") + QString::number(numero) + QStringLiteral(".zip"),
                       QStringLiteral("0"), contenu);
        return contenu;
    }

    void verifier()
    {
        QSignalSpy fin(m_verif.get(), &VerificationMaj::Terminee);
        QVERIFY(m_verif->VerifierMAJ(true));
        QVERIFY(fin.wait(20000));
    }

    // The requests received for a path, with the range each one asked for.
    QStringList demandes(const QString& chemin) const
    {
        QStringList d;
        for (const ServiceSimule::Requete& r : m_sim->Service().Recues)
            if (r.Chemin == chemin)
                d.append(QString::fromLatin1(r.Entetes.value("range", "-")));
        return d;
    }

    QVector<qint64> versionsEnregistrees() const
    {
        QVector<qint64> v;
        for (const MajDispo& m : TableMajDispo::Toutes())
            v.append(m.NumVersionDispo);
        return v;
    }

    QStringList contenuDuDossierMaj() const
    {
        return QDir(m_dossier->DossierMaj())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    void preparer(bool tls = false)
    {
        m_sim = std::make_unique<SimulateurTest>(tls);
        m_etat->Config.Service = m_sim->Adresse();
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_dossier->EcrireParametres();
        m_etat = std::make_unique<Etat>();
        preparer();
        m_etat->EmplacementMaj = m_dossier->DossierMaj();
        m_etat->W_User = QStringLiteral("61742");
        m_etat->W_Pass = QStringLiteral("TR918M");
        m_minuteur = std::make_unique<QTimer>();
        m_statut = std::make_unique<StatutEnregistre>();
        m_verif = std::make_unique<VerificationMaj>(*m_etat, *m_minuteur, *m_statut);
        m_limites = std::make_unique<LimitesTest>();
    }
    void cleanup()
    {
        m_verif.reset();
        m_limites.reset();
        FichierProvisoire::FixerSansNomPermis(true);
        m_statut.reset();
        m_minuteur.reset();
        m_etat.reset();
        m_sim.reset();
        m_dossier.reset();
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
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(LignesJournal(), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
        QCOMPARE(m_statut->appels,
                 QStringList({QStringLiteral("ouvrir manuelle"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 en cours ... /10000"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 interrompu. Nouvelle tentative "
                                             "dans 1 s…"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 en cours ..."),
                              QStringLiteral("fermer manuelle")}));
        QCOMPARE(m_statut->derniereProgression, qint64(10000));
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
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(versionsEnregistrees(), QVector<qint64>{1001});

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
        QCOMPARE(versionsEnregistrees(), QVector<qint64>{1001});
    }

    void troisIndisponibilitesPuisSucces()
    {
        const QByteArray contenu = offrir(1001);
        service().EchecsTemporaires = 3;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 4);
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), contenu);
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
        QVERIFY(versionsEnregistrees().isEmpty());
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
        QCOMPARE(versionsEnregistrees(), QVector<qint64>({1001, 1002}));
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), premiere);
        QCOMPARE(lire(maj(QStringLiteral("MAJ1002.zip"))), seconde);
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
        PetitDisque disque(m_dossier->DossierMaj(), "64k");
        if (!disque.Monte())
            QSKIP("monter un petit tmpfs demande les droits de root");
        const QByteArray serveur = SimulateurTest::Contenu(1001, 200000);
        m_sim->Ajouter(1001, QStringLiteral("majs/MAJ1001.zip"), QStringLiteral("1"), serveur);
        const QByteArray poste = offrir(1002, 3000);
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 1);
        QVERIFY(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1002.zip")).isEmpty());
        QCOMPARE(LignesJournal(), QStringList({Disponible, echec(1001)}));
        QVERIFY(contenuDuDossierMaj().isEmpty());

        QVERIFY(disque.Agrandir("1m"));
        verifier();
        QCOMPARE(versionsEnregistrees(), QVector<qint64>({1001, 1002}));
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), serveur);
        QCOMPARE(lire(maj(QStringLiteral("MAJ1002.zip"))), poste);
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
            {307, m_sim->Adresse() + QStringLiteral("/depot/suivimaj/admin/majs/MAJ1001.zip")});
        verifier();
        QCOMPARE(service().Chemins().mid(0, 5),
                 QStringList({QStringLiteral("/suivimaj/version.php"), QStringLiteral("/v2/suivimaj/version.php"),
                              QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"),
                              QStringLiteral("/miroir/suivimaj/admin/majs/MAJ1001.zip"),
                              QStringLiteral("/depot/suivimaj/admin/majs/MAJ1001.zip")}));
        QCOMPARE(service().Recues.at(1).Valeurs.value(QStringLiteral("user")), QStringLiteral("61742"));
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(LignesJournal(), QStringList({Disponible, succes(1001), prisEnCompte(1001)}));
    }

    // From https, a redirection to http is refused and journalled with both addresses.
    void redirectionVersHttpRefusee()
    {
        preparer(true);
        SimulateurTest clair;
        offrir(1001);
        service().Redirections.insert(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip"),
                                      {302, clair.Adresse() + QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")});
        verifier();
        QVERIFY(clair.Service().Recues.isEmpty());
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 1);
        QCOMPARE(LignesJournal(),
                 QStringList({Disponible,
                              QStringLiteral("1|La redirection de « ") + m_sim->Adresse()
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
        QVERIFY(m_verif->VerifierMAJ(true));
        QTRY_VERIFY(m_statut->appels.contains(
            QStringLiteral("Téléchargement de la mise à jour 1001 interrompu. Nouvelle tentative dans 3600 s…")));
        QCOMPARE(m_statut->derniereProgression, qint64(5000));
        QCOMPARE(contenuDuDossierMaj(), QStringList());
        const QStringList ouverts = ouvertsDans(QDir(m_dossier->DossierMaj()).canonicalPath());
        QCOMPARE(ouverts.size(), 1);
        QVERIFY2(ouverts.at(0).endsWith(QStringLiteral(" (deleted)")), qPrintable(ouverts.at(0)));
        m_verif.reset();
        QCOMPARE(ouvertsDans(QDir(m_dossier->DossierMaj()).canonicalPath()), QStringList());
        QCOMPARE(contenuDuDossierMaj(), QStringList());
    }

    // Where the folder cannot hold a file without a name, the partial file is hidden, and one
    // left behind by a killed program goes at the next download.
    void fichierCacheSansNomImpossible()
    {
        FichierProvisoire::FixerSansNomPermis(false);
        const QString reste = FichierProvisoire::PrefixeCache() + QStringLiteral("3f2a");
        m_dossier->EcrireFichier(QStringLiteral("maj/") + reste, "reste d'un arrêt brutal");
        const QByteArray contenu = offrir(1001);
        service().CoupureApres = 5000;
        verifier();
        QCOMPARE(demandes(QStringLiteral("/suivimaj/admin/majs/MAJ1001.zip")).size(), 2);
        QCOMPARE(lire(maj(QStringLiteral("MAJ1001.zip"))), contenu);
        QCOMPARE(contenuDuDossierMaj(), QStringList{QStringLiteral("MAJ1001.zip")});
    }
};

QUENTARIS_TEST(TstReprises)
#include "tst_Reprises.moc"
