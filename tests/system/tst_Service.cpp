#include "ProgrammesTest.h"
#include "core/BaseInterne.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/Registre.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The datagram socket a service manager gives a service it starts with Type=notify: what the
// service says there, one datagram per call.
class PriseNotification
{
public:
    PriseNotification()
    {
        m_chemin = m_dossier.filePath(QStringLiteral("notify"));
        m_prise = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un adresse{};
        adresse.sun_family = AF_UNIX;
        const QByteArray chemin = QFile::encodeName(m_chemin);
        std::memcpy(adresse.sun_path, chemin.constData(), size_t(chemin.size()));
        m_liee = ::bind(m_prise, reinterpret_cast<sockaddr*>(&adresse), sizeof(adresse)) == 0;
    }
    ~PriseNotification() { ::close(m_prise); }
    bool Liee() const { return m_liee; }
    QString Chemin() const { return m_chemin; }
    // Every datagram received so far.
    QStringList Recus()
    {
        char tampon[4096];
        for (ssize_t n = ::recv(m_prise, tampon, sizeof(tampon), 0); n > 0;
             n = ::recv(m_prise, tampon, sizeof(tampon), 0))
            m_recus.append(QString::fromUtf8(tampon, int(n)));
        return m_recus;
    }

private:
    QTemporaryDir m_dossier;
    QString m_chemin;
    int m_prise = -1;
    bool m_liee = false;
    QStringList m_recus;
};

// The service started as systemd starts it: no display at all, a notification socket and a
// watchdog of 300 ms.
QProcessEnvironment environnementDuService(const QString& notification)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* nom : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(nom));
    env.insert(QStringLiteral("NOTIFY_SOCKET"), notification);
    env.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("300000"));
    return env;
}

} // namespace

class TstService : public QObject
{
    Q_OBJECT
private slots:
    // Started bare, the service serves a workstation over both channels, tells the service
    // manager it is ready once it listens and pings its watchdog; a second one on the same
    // program folder is refused; SIGTERM stops it and its socket goes.
    void serviceSansAffichage()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        MajDispo maj;
        maj.NumVersionDispo = 121;
        maj.NomFichierMaj = QStringLiteral("p121.zip");
        QVERIFY(TableMajDispo::Inserer(maj) > 0);
        const QByteArray archive(70000, 'z');
        dossier.EcrireFichier(QStringLiteral("maj/p121.zip"), archive);
        BaseInterne::Fermer();
        PriseNotification notification;
        QVERIFY(notification.Liee());

        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                          environnementDuService(notification.Chemin()));
        QTRY_VERIFY_WITH_TIMEOUT(notification.Recus().contains(QStringLiteral("READY=1")), 10000);
        QVERIFY(accepte(dossier.portControle));
        QVERIFY(QFileInfo::exists(dossier.Fichier(QStringLiteral("console.sock"))));

        QTemporaryDir recus;
        QProcess poste;
        poste.start(QStringLiteral(QUENTARIS_POSTE),
                    {QStringLiteral("--port"), QString::number(dossier.portControle),
                     QStringLiteral("--port-transfert"), QString::number(dossier.portTransfert),
                     QStringLiteral("--version"), QStringLiteral("100"), QStringLiteral("--telecharger"),
                     QStringLiteral("--dossier"), recus.path()});
        QVERIFY(poste.waitForFinished(30000));
        QVERIFY2(poste.exitCode() == 0, poste.readAllStandardError().constData());
        QCOMPARE(LireFichier(recus.filePath(QStringLiteral("121"))), archive);
        QTRY_VERIFY(notification.Recus().contains(QStringLiteral("WATCHDOG=1")));

        Programme second(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                         environnementDuService(QString()));
        QVERIFY(second.processus.waitForFinished(10000));
        QCOMPARE(second.processus.exitCode(), 1);
        QVERIFY2(second.Erreurs().contains(QStringLiteral("déjà en cours d'éxecution")), qPrintable(second.Erreurs()));
        QVERIFY(accepte(dossier.portControle));

        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QVERIFY(service.processus.waitForFinished(10000));
        QCOMPARE(service.processus.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.processus.exitCode(), 0);
        QVERIFY(service.Erreurs().contains(QStringLiteral("Serveur de mise à jour arrêté.")));
        QVERIFY(notification.Recus().contains(QStringLiteral("STOPPING=1")));
        QVERIFY(!QFileInfo::exists(dossier.Fichier(QStringLiteral("console.sock"))));
    }
};

QUENTARIS_TEST(TstService)
#include "tst_Service.moc"
