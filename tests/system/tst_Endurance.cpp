#include "ProgrammesTest.h"
#include "app/bureau/ConsoleAttachee.h"
#include "core/BaseInterne.h"
#include "core/Journal.h"
#include "core/TableMajASignaler.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/PriseNotification.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <memory>

namespace {

// A console of the service, attached in this process, that counts the checks it saw end.
struct ConsoleDuService
{
    ConsoleAttachee console;
    InterlocuteurScripte messages;
    int verificationsFinies = 0;

    explicit ConsoleDuService(const QString& dossier)
    {
        QObject::connect(&console.Lien, &LienService::Recu, &console, [this](const QJsonObject& m) {
            if (m.value(QStringLiteral("type")).toString() == QLatin1String("statut")
                && m.value(QStringLiteral("quoi")).toString() == QLatin1String("fermer"))
                ++verificationsFinies;
        });
        QSignalSpy attachee(&console, &ConsoleAttachee::Attachee);
        console.Connecter(dossier);
        attachee.wait(10000);
    }
};

QStringList messagesDuJournal()
{
    QStringList messages;
    for (const Evenement& e : TableJournal::Tous())
        messages.prepend(e.MessageEvt);
    return messages;
}

} // namespace

// The service through what ends or holds it up for real: a kill in the middle of a check.
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
        QVERIFY(messagesDuJournal().contains(QStringLiteral(
            "Le téléchargement de la mise à jour poste 1001 a été pris en compte par le serveur QUENTARIS.")));
        QCOMPARE(TableMajDispo::Compte(), 1);
        QVERIFY(TableMajASignaler::Toutes().isEmpty());
        BaseInterne::Fermer();
    }
};

QUENTARIS_TEST(TstEndurance)
#include "tst_Endurance.moc"
