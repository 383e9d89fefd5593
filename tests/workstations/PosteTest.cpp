#include "PosteTest.h"

#include "core/TableMajDispo.h"
#include "workstations/ServeurPostes.h"

#include <QSignalSpy>
#include <QTest>

PosteTest::PosteTest(quint16 port)
{
    prise.connectToHost(QHostAddress::LocalHost, port);
}

bool PosteTest::Connecte()
{
    return QTest::qWaitFor([this] { return prise.state() == QAbstractSocket::ConnectedState; }, 10000);
}

void PosteTest::Envoyer(const QByteArray& message)
{
    prise.write(message);
}

QByteArray PosteTest::Recevoir(qint64 octets)
{
    QByteArray recu;
    (void)QTest::qWaitFor(
        [&] {
            recu += prise.read(octets - recu.size());
            return recu.size() >= octets;
        },
        20000);
    return recu;
}

bool PosteTest::EnvoyerEtAttendre(ServeurPostes& serveur, const QByteArray& message, bool transfert)
{
    QSignalSpy traite(&serveur,
                      transfert ? &ServeurPostes::MessageTransfertTraite : &ServeurPostes::MessageControleTraite);
    Envoyer(message);
    return traite.wait(10000);
}

bool PosteTest::RienRecu()
{
    return prise.bytesAvailable() == 0;
}

qint64 AjouterMaj(qint64 version, const QString& fichier, int environnement, bool condition)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = fichier;
    maj.EnvironnementMaj = environnement;
    maj.ConditionServeurMaj = condition;
    maj.DateMajDispo = QStringLiteral("2011-03-05");
    maj.HeureMajDispo = QStringLiteral("10:00:00");
    return TableMajDispo::Inserer(maj);
}
