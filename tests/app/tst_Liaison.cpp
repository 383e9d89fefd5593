#include "app/liaison/CanalLocal.h"
#include "app/liaison/EcouteConsoles.h"
#include "app/liaison/Liaison.h"
#include "app/liaison/LienService.h"
#include "support/ConsoleBrute.h"
#include "support/Registre.h"
#include "support/SortieCapturee.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

// The local socket between the service and its consoles, with real sockets: who is let in, and
// a peer that sends garbage, floods or never reads changes nothing for the others.
class TstLiaison : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    std::unique_ptr<EcouteConsoles> m_ecoute;
    QString m_chemin;

    // A console of this build, attached.
    std::unique_ptr<LienService> attacher()
    {
        auto lien = std::make_unique<LienService>();
        QSignalSpy attache(lien.get(), &LienService::Attache);
        lien->Connecter(m_chemin);
        if (!attache.wait(5000))
            return nullptr;
        return lien;
    }

private slots:
    void init()
    {
        m_chemin = m_dossier.filePath(QStringLiteral("console.sock"));
        m_ecoute = std::make_unique<EcouteConsoles>();
        QString erreur;
        QVERIFY2(m_ecoute->Ecouter(m_chemin, QString(), &erreur), qPrintable(erreur));
    }
    void cleanup() { m_ecoute.reset(); }

    // This test runs as root or as an administrator: it is let in, and messages go both ways.
    void consoleDeLaMemeVersion()
    {
        if (::geteuid() != 0)
            QSKIP("les tests tournent sans droits d'administrateur");
        QSignalSpy attachees(m_ecoute.get(), &EcouteConsoles::Attachee);
        QSignalSpy recus(m_ecoute.get(), &EcouteConsoles::Recu);
        auto lien = attacher();
        QVERIFY(lien);
        QCOMPARE(m_ecoute->Consoles(), 1);
        QSignalSpy versConsole(lien.get(), &LienService::Recu);
        m_ecoute->Diffuser({{QStringLiteral("type"), QStringLiteral("etat")}});
        QVERIFY(versConsole.wait());
        lien->Envoyer({{QStringLiteral("type"), QStringLiteral("verifier")}});
        QTRY_COMPARE(recus.size(), 1);
        QCOMPARE(recus.first().at(1).toJsonObject().value(QStringLiteral("type")).toString(),
                 QStringLiteral("verifier"));

        // The service stops: the console sees it.
        QSignalSpy perdu(lien.get(), &LienService::Perdu);
        m_ecoute->Arreter();
        QVERIFY(perdu.wait());
    }

    // A console of another build or protocol is told what differs on both sides. Refusals are
    // journalled once a minute per user at most, and the refusals between two lines are counted.
    void consolesRefusees()
    {
        SortieCapturee sortie;
        const QString attendu = QStringLiteral("La console (version 0.9, protocole 1) ne correspond pas au service de "
                                               "mise à jour (version ")
            + Liaison::Version() + QStringLiteral(", protocole ") + QString::number(Liaison::Protocole)
            + QStringLiteral(") : installez la même version des deux.");
        constexpr int Tentatives = 40;
        for (int i = 0; i < Tentatives; ++i) {
            ConsoleBrute pair(m_chemin);
            pair.Presenter(QStringLiteral("0.9"), 1);
            QTRY_VERIFY(!pair.DeType(QStringLiteral("refus")).isEmpty());
            QCOMPARE(pair.DeType(QStringLiteral("refus")).first().value(QStringLiteral("raison")).toString(), attendu);
            QTRY_VERIFY(pair.Ferme());
        }
        QCOMPARE(m_ecoute->Consoles(), 0);
        const QStringList lignes = sortie.Contenant(QStringLiteral("Console refusée"));
        QCOMPARE(lignes.size(), 1);
        QVERIFY2(lignes.first().endsWith(QStringLiteral(") : ") + attendu), qPrintable(lignes.first()));

        // Past the interval, what was refused meanwhile is told once, with its count.
        ConsoleBrute encore(m_chemin);
        encore.Presenter(QStringLiteral("0.9"), 1);
        QTRY_VERIFY(encore.Ferme());
        QCOMPARE(sortie.Contenant(QStringLiteral("Console refusée")).size(), 1);
        m_ecoute->Refus().FixerIntervalle(50);
        QTRY_COMPARE(sortie.Contenant(QStringLiteral("Console refusée")).size(), 2);
        QVERIFY2(
            sortie.Contenant(QStringLiteral("Console refusée"))
                .last()
                .contains(QStringLiteral(" (") + QString::number(Tentatives) + QStringLiteral(" refus de consoles")),
            qPrintable(sortie.Lignes().join(QLatin1Char('\n'))));
    }

    // Garbage, a line without end and a peer that never reads are each cut off; an attached
    // console goes on receiving.
    void pairsQuiSeConduisentMal()
    {
        if (::geteuid() != 0)
            QSKIP("les tests tournent sans droits d'administrateur");
        auto lien = attacher();
        QVERIFY(lien);
        QSignalSpy versConsole(lien.get(), &LienService::Recu);

        ConsoleBrute illisible(m_chemin);
        illisible.Ecrire("ceci n'est pas du JSON\n");
        ConsoleBrute sansFin(m_chemin);
        sansFin.Presenter(Liaison::Version());
        QTRY_COMPARE(m_ecoute->Consoles(), 2);
        const QByteArray morceau(1024 * 1024, 'x');
        for (int i = 0; i < 6 && !sansFin.Ferme(); ++i) {
            sansFin.Ecrire(morceau);
            QTest::qWait(10);
        }
        QTRY_VERIFY(illisible.Ferme());
        QTRY_VERIFY(sansFin.Ferme());
        QCOMPARE(m_ecoute->Consoles(), 1);

        // A console that stops reading is let go once too much waits for it.
        ConsoleBrute sourd(m_chemin);
        sourd.socket.setReadBufferSize(1); // takes nothing more off the socket
        sourd.Presenter(Liaison::Version());
        QTRY_COMPARE(m_ecoute->Consoles(), 2);
        const QString gros(512 * 1024, QLatin1Char('y'));
        for (int i = 0; i < 80 && m_ecoute->Consoles() == 2; ++i) {
            m_ecoute->Diffuser({{QStringLiteral("type"), QStringLiteral("etat")}, {QStringLiteral("bourrage"), gros}});
            QTest::qWait(5);
        }
        QTRY_COMPARE(m_ecoute->Consoles(), 1);
        QVERIFY(lien->EstAttache());
        QTRY_VERIFY(versConsole.size() > 10);
    }
};

QUENTARIS_TEST(TstLiaison)
#include "tst_Liaison.moc"
