#include "ProgrammesTest.h"
#include "app/bureau/ConsoleAttachee.h"
#include "core/BaseInterne.h"
#include "core/Journal.h"
#include "core/TableMajASignaler.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/JournalTest.h"
#include "support/MontageTemporaire.h"
#include "support/PriseNotification.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

namespace {

// A console of the service, attached in this process, that counts the checks it saw end.
struct ConsoleDuService
{
    ConsoleAttachee console;
    InterlocuteurScripte messages;
    int verificationsFinies = 0;
    int deplacementsReussis = 0;

    explicit ConsoleDuService(const QString& dossier)
    {
        QObject::connect(&console.Lien, &LienService::Recu, &console, [this](const QJsonObject& m) {
            const QString type = m.value(QStringLiteral("type")).toString();
            const QString quoi = m.value(QStringLiteral("quoi")).toString();
            if (type == QLatin1String("statut") && quoi == QLatin1String("fermer"))
                ++verificationsFinies;
            if (type == QLatin1String("deplacement") && quoi == QLatin1String("termine")
                && m.value(QStringLiteral("valeur")).toBool())
                ++deplacementsReussis;
        });
        QSignalSpy attachee(&console, &ConsoleAttachee::Attachee);
        console.Connecter(dossier);
        attachee.wait(10000);
    }
};

} // namespace

// The service through what ends or holds it up for real: a kill in the middle of a check, and a
// copy made slow.
class TstEndurance : public QObject
{
    Q_OBJECT
private slots:
    // Killed once a download is recorded and its acknowledgement asked, before the service
    // answered: the next check acknowledges it again first and fetches its documentation.
    void acquittementApresUnArretBrutal()
    {
        DossierTest dossier;
        SimulateurTest simulateur;
        simulateur.Ajouter(1001, QStringLiteral("majs/MAJ1001.zip"), QStringLiteral("0"),
                           SimulateurTest::Contenu(1001, 20000), true);
        simulateur.Service().AcquittementsRetenus = true;
        dossier.EcrireConfig(QStringLiteral("SERVICE=") + simulateur.Adresse() + QLatin1Char('\n'));
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        const QString acquittement = QStringLiteral("/suivimaj/enrtel.php");
        const QString documentation = QDir(dossier.DossierMaj()).filePath(QStringLiteral("1001.pdf"));
        {
            Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                              EnvironnementDuService(QString()));
            QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
            ConsoleDuService console(dossier.Chemin());
            console.console.Acces.VerifierMaintenant();
            QTRY_VERIFY_WITH_TIMEOUT(simulateur.Service().Chemins().contains(acquittement), 20000);
            ::kill(pid_t(service.processus.processId()), SIGKILL);
            QVERIFY(service.processus.waitForFinished(10000));
        }
        QVERIFY(!QFile::exists(documentation));
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QCOMPARE(TableMajDispo::Compte(), 1);
        QCOMPARE(TableMajASignaler::Toutes().size(), 1);
        BaseInterne::Fermer();

        simulateur.Service().AcquittementsRetenus = false;
        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                          EnvironnementDuService(QString()));
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        ConsoleDuService console(dossier.Chemin());
        console.console.Acces.VerifierMaintenant();
        QTRY_COMPARE_WITH_TIMEOUT(console.verificationsFinies, 1, 20000);
        QCOMPARE(simulateur.Service().Chemins().count(acquittement), 2);
        QCOMPARE(simulateur.Service().Recues.last().Chemin, QStringLiteral("/suivimaj/version.php"));
        QCOMPARE(simulateur.Service().Recues.last().Valeurs.value(QStringLiteral("vers")), QStringLiteral("1001"));
        QCOMPARE(LireFichier(documentation), SimulateurTest::Pdf(1001));
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QVERIFY(MessagesJournal().contains(QStringLiteral(
            "Le téléchargement de la mise à jour poste 1001 a été pris en compte par le serveur QUENTARIS.")));
        QCOMPARE(TableMajDispo::Compte(), 1);
        QVERIFY(TableMajASignaler::Toutes().isEmpty());
        BaseInterne::Fermer();
    }

    // The update folder moved to another disk while every write of the service is held back
    // 100 ms by strace: the copy of 200 blocks lasts about 20 s. Meanwhile the service keeps
    // pinging a watchdog of 5 s, as the service manager would require, and a workstation keeps
    // getting answers on the control channel.
    void copieLongueSousLeChienDeGarde()
    {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty())
            QSKIP("strace est absent");
        PetitDisque disque(QStringLiteral("64m"));
        MONTAGE_OU_QSKIP(disque);
        DossierTest dossier;
        dossier.EcrireParametres();
        const QByteArray archive = SimulateurTest::Contenu(121, 200 * 64 * 1024);
        QVERIFY(dossier.PublierMaj(121, QStringLiteral("gros.zip"), archive));
        BaseInterne::Fermer();
        PriseNotification notification;
        QVERIFY(notification.Liee());
        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                          EnvironnementDuService(notification.Chemin(), 5000 * 1000));
        QTRY_VERIFY_WITH_TIMEOUT(notification.Recus().contains(QStringLiteral("READY=1")), 10000);
        ConsoleDuService console(dossier.Chemin());

        QProcess ralenti;
        ralenti.setProcessChannelMode(QProcess::MergedChannels);
        ralenti.start(strace,
                      {QStringLiteral("-f"), QStringLiteral("-p"), QString::number(service.processus.processId()),
                       QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-e"),
                       QStringLiteral("trace=write"), QStringLiteral("-e"),
                       QStringLiteral("inject=write:delay_enter=100000")});
        QString sortieStrace;
        QTRY_VERIFY_WITH_TIMEOUT(
            (sortieStrace += QString::fromLocal8Bit(ralenti.readAll())).contains(QStringLiteral("attached"))
                || ralenti.state() == QProcess::NotRunning,
            10000);
        if (ralenti.state() == QProcess::NotRunning)
            QSKIP(qPrintable(QStringLiteral("strace ne peut pas suivre le service ici : ") + sortieStrace));

        // The service manager's side: five seconds without a ping and the service would be killed.
        QTimer chien;
        chien.setSingleShot(true);
        chien.setInterval(5000);
        bool tue = false;
        int pings = 0;
        connect(&chien, &QTimer::timeout, this, [&tue] { tue = true; });
        QSocketNotifier lecture(notification.Descripteur(), QSocketNotifier::Read);
        int vus = notification.Recus().size();
        connect(&lecture, &QSocketNotifier::activated, this, [&] {
            const QStringList recus = notification.Recus();
            for (; vus < recus.size(); ++vus) {
                if (recus.at(vus) == QLatin1String("WATCHDOG=1")) {
                    ++pings;
                    chien.start();
                }
            }
        });
        // A workstation asks again as soon as it has its answer.
        QTcpSocket poste;
        int reponses = 0;
        connect(&poste, &QTcpSocket::readyRead, this, [&] {
            poste.readAll();
            ++reponses;
            poste.write("VMAJ01#0");
        });
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(5000));
        poste.write("VMAJ01#0");

        chien.start();
        console.console.Acces.DeplacerMaj(dossier.DossierMaj(), disque.Chemin());
        QTRY_VERIFY_WITH_TIMEOUT(console.deplacementsReussis == 1 || tue, 120000);
        const int pingsPendant = pings;
        const int reponsesPendant = reponses;
        ralenti.terminate();
        QVERIFY(ralenti.waitForFinished(10000));
        QVERIFY2(!tue, "le service n'a plus donné signe de vie pendant cinq secondes");
        // The copy did last: pings every 2.5 s, and many answers meanwhile.
        QVERIFY2(pingsPendant >= 4, qPrintable(QString::number(pingsPendant)));
        QVERIFY2(reponsesPendant >= 10, qPrintable(QString::number(reponsesPendant)));
        QCOMPARE(LireFichier(QDir(disque.Chemin()).filePath(QStringLiteral("gros.zip"))), archive);
        QCOMPARE(EntreesDossier(dossier.DossierMaj()), QStringList());
    }
};

QUENTARIS_TEST(TstEndurance)
#include "tst_Endurance.moc"
