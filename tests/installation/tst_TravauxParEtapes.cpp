#include "core/CopieFichier.h"
#include "installation/CopieDossier.h"
#include "installation/ExtractionArchive.h"
#include "support/ArchiveZipTest.h"
#include "support/FichiersTest.h"
#include "support/Registre.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The long work of an installation goes back to the event loop as it goes: a timer of the loop
// keeps ticking while a large archive is unpacked and while a large INSTALLMAJ is copied into a
// database, as workstations and the service manager's watchdog need, and what they wrote is whole.
class TstTravauxParEtapes : public QObject
{
    Q_OBJECT
private slots:
    void extractionEtCopieRendentLaMain()
    {
        QTemporaryDir dossier;
        QByteArray gros(4 * 1024 * 1024, Qt::Uninitialized);
        for (int i = 0; i < gros.size(); ++i)
            gros[i] = char((i * 7919) >> 5);
        const QByteArray commande = "#!/bin/sh\nexit 0\n";
        const QString zip = dossier.filePath(QStringLiteral("512.zip"));
        QVERIFY(
            ArchiveZipTest::Ecrire(zip,
                                   {{QStringLiteral("INSTALLMAJ/GROS.BIN"), gros},
                                    {QStringLiteral("INSTALLMAJ/LANCEMAJCD"), commande, EntreeZip::Fichier, 0755}}));
        const QString version = dossier.filePath(QStringLiteral("Serveur/512"));
        const QString base = dossier.filePath(QStringLiteral("COMPTA"));
        QVERIFY(QDir().mkpath(version));

        int tours = 0;
        QTimer tic;
        connect(&tic, &QTimer::timeout, this, [&tours] { ++tours; });
        tic.start(0);

        // The turns counted when the work ends.
        int pendant = -1;
        int resultat = -1;
        ExtractionArchive::Extraire(zip, version, QString(), this, [&](bool reussi, const QStringList&) {
            resultat = reussi;
            pendant = tours;
        });
        QTRY_VERIFY(resultat != -1);
        QCOMPARE(resultat, 1);
        QVERIFY2(pendant >= int(gros.size() / ExtractionArchive::OctetsParEtape) / 2,
                 qPrintable(QString::number(pendant)));
        QCOMPARE(LireFichier(version + QStringLiteral("/INSTALLMAJ/GROS.BIN")), gros);

        tours = 0;
        resultat = -1;
        CopieDossier::Copier(version + QStringLiteral("/INSTALLMAJ"), base + QStringLiteral("/INSTALLMAJ"), this,
                             [&](bool reussie, const QString&) {
                                 resultat = reussie;
                                 pendant = tours;
                             });
        QTRY_VERIFY(resultat != -1);
        QCOMPARE(resultat, 1);
        QVERIFY2(pendant >= int(gros.size() / CopieFichier::OctetsParEtape) / 2, qPrintable(QString::number(pendant)));
        QCOMPARE(LireFichier(base + QStringLiteral("/INSTALLMAJ/GROS.BIN")), gros);
        QCOMPARE(LireFichier(base + QStringLiteral("/INSTALLMAJ/LANCEMAJCD")), commande);
        QVERIFY(QFileInfo(base + QStringLiteral("/INSTALLMAJ/LANCEMAJCD")).isExecutable());
    }
};

QUENTARIS_TEST(TstTravauxParEtapes)
#include "tst_TravauxParEtapes.moc"
