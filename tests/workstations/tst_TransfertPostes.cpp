#include "PosteTest.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/TableParametres.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "workstations/ProtocoleTransfert.h"
#include "workstations/ServeurPostes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

QByteArray contenu(qint64 taille, quint32 graine)
{
    QByteArray octets(taille, Qt::Uninitialized);
    QRandomGenerator aleatoire(graine);
    for (qint64 i = 0; i < taille; ++i)
        octets[i] = char(aleatoire.bounded(256));
    return octets;
}

// The stream a workstation must read for that file.
QByteArray flux(const QByteArray& fichier)
{
    return fichier + QByteArray(TailleFlux(fichier.size()) - fichier.size(), ' ');
}

// Descriptors of this process open on that file.
int descripteursOuverts(const QString& chemin)
{
    const QString cible = QFileInfo(chemin).canonicalFilePath();
    int n = 0;
    for (const QFileInfo& lien : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System)) {
        if (lien.symLinkTarget() == cible)
            ++n;
    }
    return n;
}

} // namespace

class TstTransfertPostes : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Etat> m_etat;
    std::unique_ptr<ServeurPostes> m_serveur;

    std::unique_ptr<PosteTest> connecter()
    {
        auto poste = std::make_unique<PosteTest>(m_serveur->PortTransfert());
        const int avant = m_serveur->TransfertsOuverts();
        if (!poste->Connecte() || !QTest::qWaitFor([&] { return m_serveur->TransfertsOuverts() == avant + 1; }, 10000))
            return nullptr;
        return poste;
    }

    QByteArray publier(qint64 version, qint64 taille, quint32 graine = 1)
    {
        const QString nom = QStringLiteral("poste%1.zip").arg(version);
        const QByteArray octets = contenu(taille, graine);
        m_dossier->EcrireFichier(QStringLiteral("maj/") + nom, octets);
        AjouterMaj(version, nom);
        return octets;
    }

    QByteArray demanderTaille(PosteTest& poste, const QByteArray& version, int octets)
    {
        poste.Envoyer("RCPMAJ " + version);
        return poste.Recevoir(octets);
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_dossier->EcrireParametres();
        m_etat = std::make_unique<Etat>();
        m_serveur = std::make_unique<ServeurPostes>(*m_etat);
        QString erreur;
        QVERIFY2(m_serveur->Ecouter(0, 0, &erreur), qPrintable(erreur));
    }

    void cleanup()
    {
        m_serveur.reset();
        m_etat.reset();
        m_dossier.reset();
    }

    // The size, then the file's bytes and spaces to the end of the last 4096-byte chunk.
    void fluxExact_data()
    {
        QTest::addColumn<qint64>("taille");
        QTest::addColumn<bool>("noyau");
        for (bool noyau : {true, false}) {
            for (qint64 taille : {0, 1, 4095, 4096, 8192, 10000, 3 * 1024 * 1024 + 17}) {
                QTest::addRow("%lld octets, %s", taille, noyau ? "noyau" : "copie") << taille << noyau;
            }
        }
    }
    void fluxExact()
    {
        QFETCH(qint64, taille);
        QFETCH(bool, noyau);
        m_serveur->FixerEnvoiNoyau(noyau);
        const QByteArray fichier = publier(121, taille);
        auto poste = connecter();
        QVERIFY(poste);
        const QByteArray annonce = QByteArray::number(taille);
        // Any separator character after the command.
        poste->Envoyer("RCPMAJ#121");
        QCOMPARE(poste->Recevoir(annonce.size()), annonce);
        poste->Envoyer("OKMAJ0");
        const QByteArray attendu = flux(fichier);
        const QByteArray recu = poste->Recevoir(attendu.size());
        QCOMPARE(recu.size(), attendu.size());
        QVERIFY(recu == attendu);
        // The file is closed once sent, and nothing more follows: the next answer comes alone.
        QTRY_COMPARE(descripteursOuverts(m_dossier->Fichier(QStringLiteral("maj/poste121.zip"))), 0);
        QCOMPARE(demanderTaille(*poste, "121", annonce.size()), annonce);
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "RCPMAJ 999", true));
        QCOMPARE(poste->Recevoir(11), QByteArray("ERREURTRANS"));
        QVERIFY(poste->RienRecu());
    }

    // "ERREURTRANS" whenever the file cannot be served.
    void erreurTrans_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("inconnue") << QByteArray("RCPMAJ 500");
        QTest::newRow("mise à jour serveur") << QByteArray("RCPMAJ 130");
        QTest::newRow("pas un nombre") << QByteArray("RCPMAJ 12a");
        QTest::newRow("au-delà de 64 bits") << QByteArray("RCPMAJ 99999999999999999999");
        QTest::newRow("sans version") << QByteArray("RCPMAJ");
        QTest::newRow("fichier absent") << QByteArray("RCPMAJ 122");
        QTest::newRow("dossier") << QByteArray("RCPMAJ 123");
        QTest::newRow("hors du dossier") << QByteArray("RCPMAJ 124");
    }
    void erreurTrans()
    {
        QFETCH(QByteArray, message);
        m_dossier->EcrireFichier(QStringLiteral("maj/srv130.zip"), "serveur");
        AjouterMaj(130, QStringLiteral("srv130.zip"), 1);
        AjouterMaj(122, QStringLiteral("absent.zip"));
        QDir(m_dossier->DossierMaj()).mkdir(QStringLiteral("dossier.zip"));
        AjouterMaj(123, QStringLiteral("dossier.zip"));
        m_dossier->EcrireFichier(QStringLiteral("secret.txt"), "secret");
        AjouterMaj(124, QStringLiteral("../secret.txt"));
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demanderTaille(*poste, message.mid(7), 11), QByteArray("ERREURTRANS"));
    }

    // A download keeps the backslashes of the service's path in the file's name: that file is
    // served like any other, while a name whose parts climb out of the folder never is.
    void nomAvecAntislash()
    {
        const QByteArray octets = contenu(5000, 7);
        m_dossier->EcrireFichier(QStringLiteral("maj/majs\\postes\\MAJ125.zip"), octets);
        AjouterMaj(125, QStringLiteral("majs\\postes\\MAJ125.zip"));
        m_dossier->EcrireFichier(QStringLiteral("maj/..\\MAJ126.zip"), "hors");
        AjouterMaj(126, QStringLiteral("..\\MAJ126.zip"));
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demanderTaille(*poste, "125", 4), QByteArray("5000"));
        poste->Envoyer("OKMAJ0");
        QCOMPARE(poste->Recevoir(TailleFlux(5000)), flux(octets));
        QCOMPARE(demanderTaille(*poste, "126", 11), QByteArray("ERREURTRANS"));
    }

    // The folder comes from the settings row at each request.
    void dossierRelu()
    {
        const QByteArray ancien = publier(121, 10);
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demanderTaille(*poste, "121", 2), QByteArray("10"));

        m_dossier->EcrireFichier(QStringLiteral("ailleurs/poste121.zip"), "nouveau");
        Parametres p = TableParametres::LireLigne1();
        p.EmplacementMaj = m_dossier->Fichier(QStringLiteral("ailleurs"));
        QVERIFY(TableParametres::MettreAJour(p));
        QCOMPARE(demanderTaille(*poste, "121", 1), QByteArray("7"));
        poste->Envoyer("OKMAJ0");
        QCOMPARE(poste->Recevoir(4096), flux("nouveau"));

        QVERIFY(BaseInterne::Commande(QStringLiteral("DELETE FROM ParamMajInt")));
        QCOMPARE(demanderTaille(*poste, "121", 11), QByteArray("ERREURTRANS"));
    }

    // "OKMAJ0" without a file does nothing; a new size request replaces the file asked for.
    void ordreDesMessages()
    {
        const QByteArray a = publier(121, 5000, 1);
        const QByteArray b = publier(122, 300, 2);
        auto poste = connecter();
        QVERIFY(poste);
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "OKMAJ0", true));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "BONJOUR", true));
        QVERIFY(poste->RienRecu());

        QCOMPARE(demanderTaille(*poste, "121", 4), QByteArray("5000"));
        QCOMPARE(demanderTaille(*poste, "122", 3), QByteArray("300"));
        poste->Envoyer("OKMAJ0");
        QCOMPARE(poste->Recevoir(4096), flux(b));

        // Once sent, the file is gone: a second "OKMAJ0" sends nothing.
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "OKMAJ0", true));
        QVERIFY(poste->RienRecu());

        // A failed request drops the file asked for before.
        QCOMPARE(demanderTaille(*poste, "121", 4), QByteArray("5000"));
        QCOMPARE(demanderTaille(*poste, "999", 11), QByteArray("ERREURTRANS"));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "OKMAJ0", true));
        QVERIFY(poste->RienRecu());
        QCOMPARE(descripteursOuverts(m_dossier->Fichier(QStringLiteral("maj/poste121.zip"))), 0);
        Q_UNUSED(a);
    }

    // Several workstations fetch at once, each its own file and exact stream.
    void transfertsSimultanes_data()
    {
        QTest::addColumn<bool>("noyau");
        QTest::newRow("noyau") << true;
        QTest::newRow("copie") << false;
    }
    void transfertsSimultanes()
    {
        QFETCH(bool, noyau);
        m_serveur->FixerEnvoiNoyau(noyau);
        const QByteArray a = publier(121, 6 * 1024 * 1024 + 5, 1);
        const QByteArray b = publier(122, 5 * 1024 * 1024 + 4096, 2);
        auto pa = connecter();
        auto pb = connecter();
        QVERIFY(pa && pb);
        QCOMPARE(m_serveur->TransfertsOuverts(), 2);
        QCOMPARE(demanderTaille(*pa, "121", 7), QByteArray::number(a.size()));
        QCOMPARE(demanderTaille(*pb, "122", 7), QByteArray::number(b.size()));
        pa->Envoyer("OKMAJ0");
        pb->Envoyer("OKMAJ0");
        QByteArray ra;
        QByteArray rb;
        const qint64 fa = TailleFlux(a.size());
        const qint64 fb = TailleFlux(b.size());
        QVERIFY(QTest::qWaitFor(
            [&] {
                ra += pa->prise.readAll();
                rb += pb->prise.readAll();
                return ra.size() >= fa && rb.size() >= fb;
            },
            60000));
        QVERIFY(ra == flux(a));
        QVERIFY(rb == flux(b));
    }

    // A workstation that leaves mid-transfer ends only its own transfer; its file is closed.
    void departEnCours()
    {
        const QByteArray gros = publier(121, 64 * 1024 * 1024, 3);
        const QByteArray petit = publier(122, 20000, 4);
        QSignalSpy ouverts(m_serveur.get(), &ServeurPostes::TransfertsOuvertsChange);
        auto quitte = connecter();
        auto reste = connecter();
        QVERIFY(quitte && reste);
        QCOMPARE(demanderTaille(*quitte, "121", 8), QByteArray::number(gros.size()));
        quitte->Envoyer("OKMAJ0");
        QVERIFY(quitte->Recevoir(100000).size() == 100000);
        const QString chemin = m_dossier->Fichier(QStringLiteral("maj/poste121.zip"));
        QCOMPARE(descripteursOuverts(chemin), 1);
        quitte->prise.abort();
        QTRY_COMPARE(m_serveur->TransfertsOuverts(), 1);
        QCOMPARE(ouverts.last().at(0).toInt(), 1);
        QCOMPARE(descripteursOuverts(chemin), 0);

        QCOMPARE(demanderTaille(*reste, "122", 5), QByteArray("20000"));
        reste->Envoyer("OKMAJ0");
        QCOMPARE(reste->Recevoir(TailleFlux(petit.size())), flux(petit));
        reste->prise.disconnectFromHost();
        QTRY_COMPARE(m_serveur->TransfertsOuverts(), 0);
    }

    // A file that shrinks under the announced size: the workstation sees the connection close
    // rather than a stream padded to look whole.
    void fichierRaccourci()
    {
        publier(121, 8 * 1024 * 1024, 5);
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demanderTaille(*poste, "121", 7), QByteArray::number(8 * 1024 * 1024));
        QFile::resize(m_dossier->Fichier(QStringLiteral("maj/poste121.zip")), 1000);
        poste->Envoyer("OKMAJ0");
        QByteArray recu;
        QVERIFY(QTest::qWaitFor(
            [&] {
                recu += poste->prise.readAll();
                return poste->prise.state() == QAbstractSocket::UnconnectedState;
            },
            20000));
        recu += poste->prise.readAll();
        QCOMPARE(recu.size(), 1000);
        QTRY_COMPARE(m_serveur->TransfertsOuverts(), 0);
    }
};

QUENTARIS_TEST(TstTransfertPostes)
#include "tst_TransfertPostes.moc"
