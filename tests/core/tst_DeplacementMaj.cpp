#include "core/DeplacementMaj.h"
#include "core/Etat.h"
#include "core/Journal.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/JournalTest.h"
#include "support/Registre.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

class TstDeplacementMaj : public QObject
{
    Q_OBJECT
private slots:
    // Rows that name the same file (an update downloaded twice, with its documentation) move
    // that file once and report nothing; the workstations are served again at the end.
    void fichierCommunAPlusieursLignes()
    {
        DossierTest dossier;
        Etat etat;
        for (int i = 0; i < 2; ++i) {
            MajDispo m;
            m.NumVersionDispo = 121;
            m.NomFichierMaj = QStringLiteral("maj121.zip");
            m.DocAssociee = true;
            QVERIFY(TableMajDispo::Inserer(m) > 0);
        }
        dossier.EcrireFichier(QStringLiteral("maj/maj121.zip"), "archive");
        dossier.EcrireFichier(QStringLiteral("maj/121.pdf"), "documentation");
        const QString nouveau = dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));

        DeplacementMaj deplacement(etat, [] { return 0; });
        QSignalSpy anomalies(&deplacement, &DeplacementMaj::Anomalie);
        QSignalSpy fin(&deplacement, &DeplacementMaj::Termine);
        deplacement.Demarrer(dossier.DossierMaj(), nouveau);
        QVERIFY(etat.InstallationEnCours);
        QTRY_COMPARE(fin.size(), 1);

        QCOMPARE(anomalies.size(), 0);
        QVERIFY(LignesJournal().isEmpty());
        QVERIFY(!etat.InstallationEnCours);
        QFile archive(nouveau + QStringLiteral("/maj121.zip"));
        QVERIFY(archive.open(QIODevice::ReadOnly));
        QCOMPARE(archive.readAll(), QByteArray("archive"));
        QVERIFY(QFile::exists(nouveau + QStringLiteral("/121.pdf")));
        QVERIFY(QDir(dossier.DossierMaj()).entryList(QDir::Files).isEmpty());
    }
};

QUENTARIS_TEST(TstDeplacementMaj)
#include "tst_DeplacementMaj.moc"
