#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/PetitDisque.h"
#include "support/Registre.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// The server as a process, on a program folder of the test, with the machine lock of the test.
struct Serveur
{
    QProcess processus;
    explicit Serveur(const QStringList& arguments, const QStringList& lanceur = {})
    {
        // A launcher (prlimit …) runs the server in its own process, with the same id.
        processus.setProgram(lanceur.isEmpty() ? QStringLiteral(QUENTARIS_BINAIRE) : lanceur.first());
        processus.setArguments(lanceur.isEmpty()
                                   ? arguments
                                   : lanceur.mid(1) + QStringList{QStringLiteral(QUENTARIS_BINAIRE)} + arguments);
        processus.start();
    }
    // Everything written to standard error so far.
    QString Erreurs()
    {
        m_erreurs += QString::fromUtf8(processus.readAllStandardError());
        return m_erreurs;
    }
    // Processor time used so far, user and system, in clock ticks.
    qint64 TempsProcesseur() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(processus.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // The fields after the command's name, which may hold spaces, start with the state (field 3).
        const QList<QByteArray> champs = stat.readAll().split(')').last().simplified().split(' ');
        return champs.size() > 12 ? champs.at(11).toLongLong() + champs.at(12).toLongLong() : -1;
    }

    ~Serveur()
    {
        if (processus.state() != QProcess::NotRunning) {
            processus.kill();
            processus.waitForFinished();
        }
    }

private:
    QString m_erreurs;
};

bool accepte(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

// The database message of the start, as standard error shows it.
bool messageDeLaBase(const QString& erreurs)
{
    const QRegularExpression ligne(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Message QUENTARIS: L'application serveur de mise à "
                       "jour a rencontré un problème lors de la tentative de connexion à sa base de données "
                       "interne\\. Le programme va être arrêté\\."),
        QRegularExpression::MultilineOption);
    return ligne.match(erreurs).hasMatch();
}

// Makes a mounted file system read-only.
bool lectureSeule(const QString& point)
{
    return QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), point}) == 0;
}

// One question and its answer on a fresh connection; empty when nothing came back in time.
QByteArray echange(quint16 port, const QByteArray& question)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(1000))
        return QByteArray();
    socket.write(question);
    return socket.waitForReadyRead(2000) ? socket.readAll() : QByteArray();
}

} // namespace

class TstProgramme : public QObject
{
    Q_OBJECT
private slots:
    void ligneDeCommande()
    {
        QProcess p;
        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(QStringLiteral("quentaris-serveur ")));

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QString aide = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* mot : {"--home", "--init-db", "--chiffrer", "--autostart", "configserv.ini", "quentaris.ini",
                                "DOSSIER_SYSTEME", "PARTAGE_UNIDATA", "donnees.db"})
            QVERIFY2(aide.contains(QLatin1String(mot)), mot);

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--inconnu")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("Usage")));

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--chiffrer"), QStringLiteral("mot d'été")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QString chiffre = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(chiffre, ChiffrementMotDePasse::Cle()), QStringLiteral("mot d'été"));
    }

    void initialisationDeLaBase()
    {
        DossierTest dossier(false);
        QProcess p;
        p.start(QStringLiteral(QUENTARIS_BINAIRE),
                {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--init-db")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        {
            // Created so that readers never wait for another program's writer.
            QSqlDatabase simple = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("simple"));
            simple.setDatabaseName(dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(simple.open());
            QSqlQuery mode(simple);
            QVERIFY(mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next());
            QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
            mode.finish();
            simple.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("simple"));
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        const QStringList tables = BaseInterne::Connexion().tables();
        for (const char* t :
             {"ParamMajInt", "MajDispo", "MajAttente", "MajPoste", "MajHistorique", "EvtMaj", "MajResponsable"})
            QVERIFY2(tables.contains(QLatin1String(t)), t);
    }

    void sansBaseLeProgrammeSArrete()
    {
        DossierTest dossier(false);
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QVERIFY(serveur.processus.waitForFinished());
        QCOMPARE(serveur.processus.exitCode(), 1);
        const QString erreurs = QString::fromUtf8(serveur.processus.readAllStandardError());
        QVERIFY2(messageDeLaBase(erreurs), qPrintable(erreurs));
        QVERIFY(!QFile::exists(dossier.Fichier(BaseInterne::NomFichier())));
    }

    void baseVideRefuseeAuDemarrage()
    {
        DossierTest dossier(false);
        dossier.EcrireFichier(BaseInterne::NomFichier(), QByteArray());
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QVERIFY(serveur.processus.waitForFinished());
        QCOMPARE(serveur.processus.exitCode(), 1);
        const QString erreurs = QString::fromUtf8(serveur.processus.readAllStandardError());
        QVERIFY2(erreurs.contains(QStringLiteral("Message QUENTARIS: L'application serveur de mise à jour a rencontré "
                                                 "un problème lors de la tentative de connexion à sa base de données "
                                                 "interne.")),
                 qPrintable(erreurs));
        QVERIFY2(erreurs.contains(QStringLiteral("tables absentes : ParamMajInt, MajDispo")), qPrintable(erreurs));
        QVERIFY2(erreurs.contains(QStringLiteral("--init-db")), qPrintable(erreurs));
        QVERIFY(!erreurs.contains(QStringLiteral("première fois")));
        // The file is left as it was.
        QCOMPARE(QFileInfo(dossier.Fichier(BaseInterne::NomFichier())).size(), 0);
    }

    void ecouteSurLesDeuxPortsEtSArretePourLeSysteme()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 5000);
        QVERIFY(accepte(dossier.portTransfert));

        // A connected workstation makes the system's close request fail.
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));
        // Once the server has answered, it counts the connection.
        poste.write("VMAJ01#0");
        QTRY_VERIFY(poste.bytesAvailable() > 0 || poste.waitForReadyRead(100));
        QString erreurs;
        const auto lire = [&] {
            return erreurs += QString::fromUtf8(serveur.processus.readAllStandardError());
        };
        QTRY_VERIFY(lire().contains(QStringLiteral("démarré")));
        QVERIFY(serveur.processus.processId() > 0);
        ::kill(static_cast<pid_t>(serveur.processus.processId()), SIGTERM);
        QTRY_VERIFY(lire().contains(QStringLiteral(
            "Message QUENTARIS: Vous ne pouvez pas quitter le serveur car des postes sont connectés sur celui-ci !")));
        QCOMPARE(serveur.processus.state(), QProcess::Running);

        poste.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const qint64 pid = serveur.processus.processId();
                if (pid > 0)
                    ::kill(static_cast<pid_t>(pid), SIGTERM);
                return serveur.processus.state() == QProcess::NotRunning || serveur.processus.waitForFinished(300);
            }(),
            10000);
        QCOMPARE(serveur.processus.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serveur.processus.exitCode(), 0);
    }

    // A program folder that cannot be written ends the start with the database message, as an
    // unreadable database does: in WAL mode the file cannot even be read, in its old journal
    // mode it can be read but not written.
    void dossierEnLectureSeule_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("WAL") << true;
        QTest::newRow("ancien journal") << false;
    }
    void dossierEnLectureSeule()
    {
        QFETCH(bool, wal);
        DossierTest dossier(false);
        PetitDisque disque(QStringLiteral("8m"));
        PETIT_DISQUE_OU_QSKIP(disque);
        const QDir programme(disque.Chemin());
        QVERIFY(QFile::copy(dossier.Fichier(QStringLiteral("configserv.ini")),
                            programme.filePath(QStringLiteral("configserv.ini"))));
        QVERIFY(BaseInterne::Initialiser(programme.filePath(BaseInterne::NomFichier())));
        dossier.EcrireParametres();
        if (!wal)
            QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA journal_mode = DELETE")));
        BaseInterne::Fermer();
        QVERIFY(lectureSeule(disque.Chemin()));

        Serveur serveur({QStringLiteral("--home"), disque.Chemin()});
        QVERIFY(serveur.processus.waitForFinished(20000));
        QCOMPARE(serveur.processus.exitCode(), 1);
        QVERIFY2(messageDeLaBase(serveur.Erreurs()), qPrintable(serveur.Erreurs()));
        // The administrator is told which file cannot be written, and why.
        QVERIFY2(serveur.Erreurs().contains(programme.filePath(BaseInterne::NomFichier())
                                            + QStringLiteral(" : Read-only file system")),
                 qPrintable(serveur.Erreurs()));
    }

    // Every descriptor taken by waiting workstations: each listener says so once, rests between
    // attempts instead of spinning, and serves again once the descriptors come back.
    void descripteursEpuises()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        MajDispo maj;
        maj.NumVersionDispo = 121;
        maj.NomFichierMaj = QStringLiteral("p121.zip");
        QVERIFY(TableMajDispo::Inserer(maj) > 0);
        dossier.EcrireFichier(QStringLiteral("maj/p121.zip"), QByteArray(5000, 'z'));
        BaseInterne::Fermer();
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()},
                        {QStringLiteral("prlimit"), QStringLiteral("--nofile=96")});
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(QStringLiteral("démarré")), 10000);

        const QString controle = QStringLiteral("Le canal de contrôle (port %1) ne peut pas accepter de connexion")
                                     .arg(dossier.portControle);
        const QString transfert = QStringLiteral("Le canal de transfert (port %1) ne peut pas accepter de connexion")
                                      .arg(dossier.portTransfert);
        // Served before the burst: each listener has once found its queue empty.
        QCOMPARE(echange(dossier.portControle, "VMAJ01#0"), QByteArray("MAJOK1|121"));
        QCOMPARE(echange(dossier.portTransfert, "RCPMAJ 121"), QByteArray("5000"));
        std::vector<std::unique_ptr<QTcpSocket>> postes;
        for (int i = 0; i < 200; ++i) {
            postes.push_back(std::make_unique<QTcpSocket>());
            postes.back()->connectToHost(QHostAddress::LocalHost, dossier.portControle);
        }
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(controle), 10000);
        // A knock on the transfer port while the table is full.
        for (int i = 0; i < 3; ++i) {
            postes.push_back(std::make_unique<QTcpSocket>());
            postes.back()->connectToHost(QHostAddress::LocalHost, dossier.portTransfert);
        }
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(transfert), 10000);

        // The processor time the server uses over one second while its table stays full.
        const qint64 avant = serveur.TempsProcesseur();
        QVERIFY(avant >= 0);
        QTest::qWait(1000);
        const qint64 utilise = serveur.TempsProcesseur() - avant;
        QVERIFY2(utilise < sysconf(_SC_CLK_TCK) / 4, qPrintable(QString::number(utilise)));

        postes.clear();
        QTRY_COMPARE_WITH_TIMEOUT(echange(dossier.portControle, "VMAJ01#0"), QByteArray("MAJOK1|121"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(echange(dossier.portTransfert, "RCPMAJ 121"), QByteArray("5000"), 20000);
        QCOMPARE(serveur.Erreurs().count(controle), 1);
        QCOMPARE(serveur.Erreurs().count(transfert), 1);
        QCOMPARE(serveur.processus.state(), QProcess::Running);
    }

    void secondeCopieRefusee()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        Serveur premier({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 5000);
        Serveur second({QStringLiteral("--home"), dossier.Chemin()});
        QVERIFY(second.processus.waitForFinished());
        QCOMPARE(second.processus.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.processus.readAllStandardError())
                    .contains(QStringLiteral("déjà en cours d'éxecution")));
        Serveur automatique({QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--autostart")});
        QVERIFY(automatique.processus.waitForFinished());
        QCOMPARE(automatique.processus.exitCode(), 0);
    }
};

QUENTARIS_TEST(TstProgramme)
#include "tst_Programme.moc"
