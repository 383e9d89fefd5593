#include "app/liaison/CanalLocal.h"
#include "app/liaison/EcouteConsoles.h"
#include "app/liaison/Liaison.h"
#include "app/liaison/LienService.h"
#include "support/ConsoleBrute.h"
#include "support/Registre.h"
#include "support/SortieCapturee.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <grp.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Exit statuses of a peer run as another user.
enum : int
{
    RefusLu = 0,
    PasDeRefus = 1,
    ConnexionRompue = 2,
    Echec = 3,
};

// In a child process of another user (nobody): speaks before the service has even taken the
// connection, then reads only once the service has shut its side. Whether the refusal was read
// whole, up to a clean end, is the child's exit status. Only system calls after the fork.
pid_t pairDUnAutreUtilisateur(const QString& chemin, int* pret)
{
    const QByteArray cheminOctets = QFile::encodeName(chemin);
    const QByteArray bonjour = QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("bonjour")},
                                                         {QStringLiteral("version"), Liaison::Version()},
                                                         {QStringLiteral("protocole"), Liaison::Protocole}})
                                   .toJson(QJsonDocument::Compact)
        + '\n';
    int tube[2];
    if (::pipe(tube) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(tube[1]);
        *pret = tube[0];
        return pid;
    }
    ::close(tube[0]);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
        ::_exit(Echec);
    const int prise = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    std::memcpy(adresse.sun_path, cheminOctets.constData(), size_t(cheminOctets.size()));
    if (::connect(prise, reinterpret_cast<sockaddr*>(&adresse), sizeof(adresse)) != 0
        || ::send(prise, bonjour.constData(), size_t(bonjour.size()), MSG_NOSIGNAL) != bonjour.size())
        ::_exit(Echec);
    ::close(tube[1]);
    pollfd attente{prise, POLLRDHUP, 0};
    if (::poll(&attente, 1, 30000) != 1)
        ::_exit(Echec);
    static char lu[65536];
    ssize_t total = 0;
    for (;;) {
        const ssize_t n = ::read(prise, lu + total, sizeof(lu) - size_t(total));
        if (n < 0)
            ::_exit(ConnexionRompue);
        if (n == 0)
            break;
        total += n;
    }
    static const char refus[] = "\"type\":\"refus\"";
    for (ssize_t i = 0; i + ssize_t(sizeof(refus)) - 1 <= total; ++i) {
        if (std::memcmp(lu + i, refus, sizeof(refus) - 1) == 0)
            ::_exit(RefusLu);
    }
    ::_exit(PasDeRefus);
}

} // namespace

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

        // A user who is no administrator reads why, even when what it said first is still unread
        // as the service turns it away.
        if (::geteuid() != 0)
            QSKIP("changer d'utilisateur demande root");
        for (QString d = m_dossier.path(); d != QDir::rootPath(); d = QFileInfo(d).absolutePath())
            QFile::setPermissions(d, QFile::permissions(d) | QFile::ExeOther);
        int pret = -1;
        const pid_t pair = pairDUnAutreUtilisateur(m_chemin, &pret);
        QVERIFY(pair > 0);
        // The service takes the connection only once the peer has spoken.
        char octet;
        QCOMPARE(::read(pret, &octet, 1), ssize_t(0));
        ::close(pret);
        int statut = 0;
        bool fini = false;
        QTRY_VERIFY_WITH_TIMEOUT(fini || (fini = ::waitpid(pair, &statut, WNOHANG) == pair), 30000);
        QVERIFY(WIFEXITED(statut));
        QCOMPARE(WEXITSTATUS(statut), int(RefusLu));
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
            QTRY_VERIFY(sansFin.socket.bytesToWrite() == 0 || sansFin.Ferme());
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
            // The console that reads has taken it before the next one.
            QTRY_COMPARE(versConsole.size(), i + 1);
        }
        QTRY_COMPARE(m_ecoute->Consoles(), 1);
        QVERIFY(lien->EstAttache());
        QTRY_VERIFY(versConsole.size() > 10);
    }
};

QUENTARIS_TEST(TstLiaison)
#include "tst_Liaison.moc"
