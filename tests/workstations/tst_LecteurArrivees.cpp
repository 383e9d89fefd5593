#include "support/Registre.h"
#include "workstations/LecteurArrivees.h"

#include <QTcpSocket>
#include <QTest>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// The reader on a local socket pair, where a message written at once is whole in the kernel
// before the program reads it.
class TstLecteurArrivees : public QObject
{
    Q_OBJECT

    int m_autreBout = -1;
    QTcpSocket* m_prise = nullptr;

    bool ecrire(const QByteArray& octets)
    {
        return ::write(m_autreBout, octets.constData(), size_t(octets.size())) == octets.size();
    }

    std::optional<QByteArray> lire(LecteurArrivees& lecteur)
    {
        if (!QTest::qWaitFor([this] { return m_prise->bytesAvailable() > 0; }, 10000))
            return QByteArray("(rien n'est arrivé)");
        return lecteur.Lire(m_prise);
    }

    // The next message read, past the arrivals thrown away.
    std::optional<QByteArray> prochain(LecteurArrivees& lecteur)
    {
        for (int i = 0; i < 20; ++i) {
            if (const auto message = lire(lecteur))
                return message;
        }
        return std::nullopt;
    }

private slots:
    void init()
    {
        int bouts[2];
        QVERIFY(socketpair(AF_UNIX, SOCK_STREAM, 0, bouts) == 0);
        // Room for the largest message written here; written without blocking, so a short
        // write shows as a failure rather than a hang.
        int taille = 4 << 20;
        setsockopt(bouts[1], SOL_SOCKET, SO_SNDBUFFORCE, &taille, sizeof taille);
        fcntl(bouts[1], F_SETFL, O_NONBLOCK);
        m_autreBout = bouts[1];
        m_prise = new QTcpSocket;
        QVERIFY(m_prise->setSocketDescriptor(bouts[0]));
        LecteurArrivees::Preparer(m_prise);
    }

    void cleanup()
    {
        delete m_prise;
        ::close(m_autreBout);
    }

    void messageEntier()
    {
        LecteurArrivees lecteur;
        const QByteArray plein(LecteurArrivees::Plafond, 'a');
        QVERIFY(ecrire(plein));
        QCOMPARE(lire(lecteur), std::optional<QByteArray>(plein));
        QVERIFY(ecrire("VMAJ01#120"));
        QCOMPARE(lire(lecteur), std::optional<QByteArray>("VMAJ01#120"));
    }

    // A too-large message goes whole, what waited behind it included; the next one is read.
    void messageTropLong()
    {
        LecteurArrivees lecteur;
        QVERIFY(ecrire("VMAJ01#1" + QByteArray(200 * 1024, 'x')));
        QCOMPARE(lire(lecteur), std::optional<QByteArray>());
        QVERIFY(ecrire("NOMUSR dupont"));
        QCOMPARE(prochain(lecteur), std::optional<QByteArray>("NOMUSR dupont"));
        QVERIFY(ecrire(QByteArray(LecteurArrivees::Plafond + 1, 'y')));
        QCOMPARE(lire(lecteur), std::optional<QByteArray>());
        QVERIFY(ecrire("VMAJ01#2"));
        QCOMPARE(prochain(lecteur), std::optional<QByteArray>("VMAJ01#2"));
    }

    // What is not read stays capped: the program never holds more than one message's worth.
    void memoireBornee()
    {
        QVERIFY(ecrire(QByteArray(300 * 1024, 'z')));
        (void)QTest::qWaitFor([this] { return m_prise->bytesAvailable() > LecteurArrivees::Plafond; }, 2000);
        QVERIFY(m_prise->bytesAvailable() <= LecteurArrivees::Plafond + 1);
    }
};

QUENTARIS_TEST(TstLecteurArrivees)
#include "tst_LecteurArrivees.moc"
