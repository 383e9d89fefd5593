#include "PosteTest.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "core/TableMajAttente.h"
#include "core/TablePostes.h"
#include "core/TableResponsables.h"
#include "platform/TexteFil.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "workstations/ProtocolePostes.h"
#include "workstations/ServeurPostes.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <memory>
#include <sys/socket.h>

namespace {

const QByteArray kSep("\xFE");

} // namespace

class TstControlePostes : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Etat> m_etat;
    std::unique_ptr<ServeurPostes> m_serveur;

    quint16 port() const { return m_serveur->PortControle(); }

    std::unique_ptr<PosteTest> connecter()
    {
        auto poste = std::make_unique<PosteTest>(port());
        const int avant = m_serveur->PostesConnectes();
        if (!poste->Connecte() || !QTest::qWaitFor([&] { return m_serveur->PostesConnectes() == avant + 1; }, 10000))
            return nullptr;
        return poste;
    }

    QByteArray demander(PosteTest& poste, const QByteArray& question, qint64 octets)
    {
        poste.Envoyer(question);
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
        Horloge::Regler(QDateTime(QDate(2011, 3, 5), QTime(14, 5, 9)));
    }

    void cleanup()
    {
        m_serveur.reset();
        m_etat.reset();
        m_dossier.reset();
        Horloge::Reinitialiser();
    }

    // The label, and "MAJSRV" only for a responsible person while a server update waits.
    void annonceUtilisateur()
    {
        auto poste = connecter();
        QVERIFY(poste);
        auto sessions = m_serveur->Sessions();
        QCOMPARE(sessions.size(), 1);
        QCOMPARE(sessions[0].Index, 1);
        QCOMPARE(sessions[0].Adresse, QStringLiteral("127.0.0.1"));
        QCOMPARE(sessions[0].Etat, QAbstractSocket::ConnectedState);
        QCOMPARE(sessions[0].Tag, QString());
        QVERIFY(m_serveur->PosteConnecte(QStringLiteral("127.0.0.1")));
        QVERIFY(!m_serveur->PosteConnecte(QStringLiteral("10.0.0.1")));

        // Any separator character; not responsible: nothing is answered.
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, QByteArray("NOMUSR_dupont")));
        QCOMPARE(m_serveur->Sessions()[0].Tag, QStringLiteral("dupont|05/03/2011 à 14:05:09"));
        QCOMPARE(demander(*poste, "VMAJ01#0", 6), QByteArray("MAJOK0"));

        // Responsible (letter case ignored) but nothing waits: still nothing.
        TableResponsables::Ajouter(QStringLiteral("DUPONT"));
        const qint64 serveur = AjouterMaj(130, QStringLiteral("srv130.zip"), 1);
        TableMajAttente::Ajouter(serveur, QDate(2011, 3, 5));
        BaseInterne::Commande(QStringLiteral("UPDATE MajAttente SET MajInstall = 1"));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, QByteArray("NOMUSR dupont")));
        QCOMPARE(demander(*poste, "VMAJ01#0", 6), QByteArray("MAJOK0"));

        // A server update waits: the responsible person is told, someone else is not.
        BaseInterne::Commande(QStringLiteral("UPDATE MajAttente SET MajInstall = 0"));
        QCOMPARE(demander(*poste, "NOMUSR dupont", 6), QByteArray("MAJSRV"));
        Horloge::Regler(QDateTime(QDate(2011, 3, 6), QTime(8, 0, 1)));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, TexteFil::versOctets(QStringLiteral("NOMUSR Émile"))));
        QCOMPARE(m_serveur->Sessions()[0].Tag, QStringLiteral("Émile|06/03/2011 à 08:00:01"));
        QCOMPARE(demander(*poste, "VMAJ01#0", 6), QByteArray("MAJOK0"));
    }

    // The list: download order, workstation updates only, server condition honoured.
    void listeDesVersions()
    {
        AjouterMaj(121, QStringLiteral("p121.zip"));
        AjouterMaj(125, QStringLiteral("p125.zip"));
        AjouterMaj(150, QStringLiteral("srv150.zip"), 1);
        AjouterMaj(122, QStringLiteral("p122.zip"));
        auto poste = connecter();
        QVERIFY(poste);

        QByteArray attendu = "MAJOK1|121" + kSep + "125" + kSep + "122";
        QCOMPARE(demander(*poste, "VMAJ01#120", attendu.size()), attendu);
        attendu = "MAJOK1|125";
        QCOMPARE(demander(*poste, "VMAJ01 poste #122", attendu.size()), attendu);
        QCOMPARE(demander(*poste, "VMAJ01#125", 6), QByteArray("MAJOK0"));
        QVERIFY(poste->RienRecu());

        // 123 waits for the server update 123, queued and not installed; 124 does not wait.
        const qint64 srv123 = AjouterMaj(123, QStringLiteral("srv123.zip"), 1);
        TableMajAttente::Ajouter(srv123, QDate(2011, 3, 5));
        AjouterMaj(123, QStringLiteral("p123.zip"), 0, true);
        AjouterMaj(124, QStringLiteral("p124.zip"));
        // 126 waits for a server update that was never queued.
        AjouterMaj(126, QStringLiteral("p126.zip"), 0, true);
        QCOMPARE(MajPosteSuivante(QStringLiteral("122")).value_or(QStringList()),
                 (QStringList{QStringLiteral("125"), QStringLiteral("124")}));
        attendu = "MAJOK1|125" + kSep + "124";
        QCOMPARE(demander(*poste, "VMAJ01#122", attendu.size()), attendu);

        TableMajAttente::MarquerInstallee(TableMajAttente::EnAttente().first().IdMajAttente);
        QCOMPARE(MajPosteSuivante(QStringLiteral("122")).value_or(QStringList()),
                 (QStringList{QStringLiteral("125"), QStringLiteral("123"), QStringLiteral("124")}));
        attendu = "MAJOK1|125" + kSep + "123" + kSep + "124";
        QCOMPARE(demander(*poste, "VMAJ01#122", attendu.size()), attendu);
        // Only the conditioned ones newer than the version: "AJOURS" when all are held back.
        QCOMPARE(MajPosteSuivante(QStringLiteral("125")).value_or(QStringList()),
                 QStringList{QStringLiteral("AJOURS")});
    }

    // Answers follow every write to the database, also one made by another connection or program.
    void reponsesSuiventLaBase()
    {
        AjouterMaj(121, QStringLiteral("p121.zip"));
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demander(*poste, "VMAJ01#120", 10), QByteArray("MAJOK1|121"));
        QCOMPARE(demander(*poste, "VMAJ01#120", 10), QByteArray("MAJOK1|121"));
        {
            QSqlDatabase autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("autre"));
            autre.setDatabaseName(m_dossier->Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.open());
            QSqlQuery q(autre);
            QVERIFY(q.exec(QStringLiteral("INSERT INTO MajDispo (NumVersionDispo, NomFichierMaj, EnvironnementMaj, "
                                          "ConditionServeurMaj) VALUES (122, 'p122.zip', 0, 0)")));
            autre.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("autre"));
        const QByteArray attendu = "MAJOK1|121" + kSep + "122";
        QCOMPARE(demander(*poste, "VMAJ01#120", attendu.size()), attendu);
        QVERIFY(BaseInterne::Commande(QStringLiteral("DELETE FROM MajDispo WHERE NumVersionDispo = 121")));
        QCOMPARE(demander(*poste, "VMAJ01#120", 10), QByteArray("MAJOK1|122"));
        QVERIFY(BaseInterne::Commande(QStringLiteral("DELETE FROM MajDispo")));
        QCOMPARE(demander(*poste, "VMAJ01#120", 6), QByteArray("MAJOK0"));
    }

    // How the installed version is read from the question.
    void versionInstallee_data()
    {
        QTest::addColumn<QByteArray>("question");
        QTest::addColumn<QByteArray>("reponse");
        const QByteArray tout = "MAJOK1|121" + kSep + "122";
        QTest::newRow("sans #") << QByteArray("VMAJ01") << tout;
        QTest::newRow("sans # avec texte") << QByteArray("VMAJ01121") << tout;
        QTest::newRow("pas un nombre") << QByteArray("VMAJ01#v121") << tout;
        QTest::newRow("vide") << QByteArray("VMAJ01#") << tout;
        QTest::newRow("nombre puis texte") << QByteArray("VMAJ01#121abc") << QByteArray("MAJOK1|122");
        QTest::newRow("premier # seulement") << QByteArray("VMAJ01#121#1") << QByteArray("MAJOK1|122");
        QTest::newRow("espaces") << QByteArray("VMAJ01#  121") << QByteArray("MAJOK1|122");
        QTest::newRow("négatif") << QByteArray("VMAJ01#-5") << tout;
        QTest::newRow("au-delà de 64 bits") << QByteArray("VMAJ01#99999999999999999999999") << QByteArray("MAJOK0");
        QTest::newRow("limite 64 bits") << QByteArray("VMAJ01#9223372036854775807") << QByteArray("MAJOK0");
    }
    void versionInstallee()
    {
        QFETCH(QByteArray, question);
        QFETCH(QByteArray, reponse);
        AjouterMaj(121, QStringLiteral("p121.zip"));
        AjouterMaj(122, QStringLiteral("p122.zip"));
        auto poste = connecter();
        QVERIFY(poste);
        QCOMPARE(demander(*poste, question, reponse.size()), reponse);
    }

    // A workstation is created at its first report, then only its history grows.
    void enregistrementPoste()
    {
        auto poste = connecter();
        QVERIFY(poste);
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "ENRMAJ PC'01#121#00-1A-2B#192.168.1.5"));
        auto tous = TablePostes::Tous();
        QCOMPARE(tous.size(), 1);
        QCOMPARE(tous[0].NomPoste, QStringLiteral("PC'01"));
        QCOMPARE(tous[0].AdresseMACPoste, QStringLiteral("00-1A-2B"));
        QCOMPARE(tous[0].AdresseIPPoste, QStringLiteral("192.168.1.5"));
        auto historique = TablePostes::Historique(tous[0].IdMajPoste);
        QCOMPARE(historique.size(), 1);
        QCOMPARE(historique[0].VersionMaj, 121);
        QCOMPARE(historique[0].DateInstallVersion, QStringLiteral("2011-03-05"));

        // Same workstation whatever the letter case; addresses kept; the address may hold "#".
        Horloge::Regler(QDateTime(QDate(2011, 4, 3), QTime(9, 0)));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "ENRMAJ pc'01#121#FF-FF#10.0.0.9#x"));
        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "ENRMAJ PC'01#122#FF-FF#10.0.0.9"));
        tous = TablePostes::Tous();
        QCOMPARE(tous.size(), 1);
        QCOMPARE(tous[0].AdresseIPPoste, QStringLiteral("192.168.1.5"));
        historique = TablePostes::Historique(tous[0].IdMajPoste);
        QCOMPARE(historique.size(), 3);
        QCOMPARE(historique[0].VersionMaj, 122);
        QCOMPARE(historique[0].DateInstallVersion, QStringLiteral("2011-04-03"));
        QCOMPARE(TablePostes::VersionMax(tous[0].IdMajPoste), std::optional<qint64>(122));

        QVERIFY(poste->EnvoyerEtAttendre(*m_serveur, "ENRMAJ PC02#7#AA#10.0.0.2#"));
        tous = TablePostes::Tous();
        QCOMPARE(tous.size(), 2);
        QCOMPARE(tous[1].AdresseIPPoste, QStringLiteral("10.0.0.2#"));
        QVERIFY(poste->RienRecu());
    }

    // While a server installation runs, every message gets "INSSRV" and changes nothing.
    void installationEnCours_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("NOMUSR") << QByteArray("NOMUSR dupont");
        QTest::newRow("VMAJ01") << QByteArray("VMAJ01#0");
        QTest::newRow("ENRMAJ") << QByteArray("ENRMAJ PC01#121#AA#10.0.0.1");
        QTest::newRow("autre") << QByteArray("BONJOUR");
        QTest::newRow("malformé") << QByteArray("ENRMAJ");
    }
    void installationEnCours()
    {
        QFETCH(QByteArray, message);
        TableResponsables::Ajouter(QStringLiteral("dupont"));
        TableMajAttente::Ajouter(AjouterMaj(130, QStringLiteral("srv130.zip"), 1), QDate(2011, 3, 5));
        AjouterMaj(121, QStringLiteral("p121.zip"));
        auto poste = connecter();
        QVERIFY(poste);
        m_etat->InstallationEnCours = true;
        QCOMPARE(demander(*poste, message, 6), QByteArray("INSSRV"));
        QCOMPARE(m_serveur->Sessions()[0].Tag, QString());
        QVERIFY(TablePostes::Tous().isEmpty());
        m_etat->InstallationEnCours = false;
        QCOMPARE(demander(*poste, "VMAJ01#0", 10), QByteArray("MAJOK1|121"));
    }

    // Malformed messages are ignored: nothing recorded, nothing answered, the server goes on.
    void messagesMalformes()
    {
        auto poste = connecter();
        QVERIFY(poste);
        const QList<QByteArray> messages = {"NOMUSR",
                                            "ENRMAJ",
                                            "ENRMAJ PC01#121#AA",
                                            "ENRMAJ PC01#12a#AA#10.0.0.1",
                                            "ENRMAJ PC01##AA#10.0.0.1",
                                            "ENRMAJ PC01#99999999999999999999#AA#10.0.0.1",
                                            "vmaj01#0",
                                            "NOMUS",
                                            QByteArray("\0\xFF\x80", 3)};
        for (const QByteArray& message : messages)
            QVERIFY2(poste->EnvoyerEtAttendre(*m_serveur, message), message.constData());
        QVERIFY(poste->RienRecu());
        QCOMPARE(m_serveur->Sessions()[0].Tag, QString());
        QVERIFY(TablePostes::Tous().isEmpty());
        QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT COUNT(*) FROM MajHistorique"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        QCOMPARE(demander(*poste, "VMAJ01#0", 6), QByteArray("MAJOK0"));
    }

    // Numbers start again at 1 only once every workstation has left.
    void numerosDeConnexion()
    {
        QSignalSpy nombre(m_serveur.get(), &ServeurPostes::PostesConnectesChange);
        auto a = connecter();
        auto b = connecter();
        auto c = connecter();
        QVERIFY(a && b && c);
        QCOMPARE(nombre.size(), 3);
        QCOMPARE(nombre.last().at(0).toInt(), 3);
        QList<int> index;
        for (const auto& s : m_serveur->Sessions())
            index << s.Index;
        QCOMPARE(index, (QList<int>{1, 2, 3}));

        a->prise.disconnectFromHost();
        b->prise.disconnectFromHost();
        QTRY_COMPARE(m_serveur->PostesConnectes(), 1);
        auto d = connecter();
        QVERIFY(d);
        QCOMPARE(m_serveur->Sessions().last().Index, 4);

        c->prise.disconnectFromHost();
        d->prise.disconnectFromHost();
        QTRY_COMPARE(m_serveur->PostesConnectes(), 0);
        QCOMPARE(nombre.last().at(0).toInt(), 0);
        auto e = connecter();
        QVERIFY(e);
        QCOMPARE(m_serveur->Sessions().first().Index, 1);
    }

    // The administrator closes a session: the workstation sees it closed at once.
    void retirerSession()
    {
        auto a = connecter();
        auto b = connecter();
        QVERIFY(a && b);
        QSignalSpy nombre(m_serveur.get(), &ServeurPostes::PostesConnectesChange);
        m_serveur->RetirerSession(1);
        QCOMPARE(m_serveur->PostesConnectes(), 1);
        QCOMPARE(nombre.size(), 1);
        QCOMPARE(m_serveur->Sessions().first().Index, 2);
        QTRY_COMPARE(a->prise.state(), QAbstractSocket::UnconnectedState);
        m_serveur->RetirerSession(1);
        m_serveur->RetirerSession(42);
        QCOMPARE(nombre.size(), 1);
        QCOMPARE(demander(*b, "VMAJ01#0", 6), QByteArray("MAJOK0"));
    }

    // A connection reset by the workstation is a disconnection at once.
    void connexionRompue()
    {
        auto a = connecter();
        auto b = connecter();
        QVERIFY(a && b);
        linger sansAttente{1, 0};
        QVERIFY(setsockopt(int(a->prise.socketDescriptor()), SOL_SOCKET, SO_LINGER, &sansAttente, sizeof sansAttente)
                == 0);
        a->prise.abort();
        QTRY_COMPARE(m_serveur->PostesConnectes(), 1);
        QCOMPARE(m_serveur->Sessions().size(), 1);
        QCOMPARE(m_serveur->Sessions().first().Index, 2);
    }

    void portOccupe()
    {
        Etat etat;
        ServeurPostes autre(etat);
        QString erreur;
        QVERIFY(!autre.Ecouter(port(), 0, &erreur));
        QVERIFY2(erreur.startsWith(QStringLiteral("Le port de contrôle ") + QString::number(port())),
                 qPrintable(erreur));
    }
};

QUENTARIS_TEST(TstControlePostes)
#include "tst_ControlePostes.moc"
