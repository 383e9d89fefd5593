#include "console/Frm_TransfertMAJ.h"
#include "core/DeplacementMaj.h"
#include "core/Frm_Reseau.h"
#include "core/Journal.h"
#include "core/TableMajDispo.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "workstations/ServeurPostes.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

void ajouter(qint64 version, bool doc)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = QStringLiteral("maj%1.zip").arg(version);
    maj.DocAssociee = doc;
    TableMajDispo::Inserer(maj);
}

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList fichiers(const QString& dossier)
{
    return QDir(dossier).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TstFrmTransfertMAJ : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        Frm_Reseau reseau;
        ServeurPostes postes{reseau.Etat_()};
        QString nouveau;
        QPointer<Frm_TransfertMAJ> fenetre;

        Banc()
        {
            reseau.Brancher(&postes, nullptr);
            QString erreur;
            if (!postes.Ecouter(0, 0, &erreur))
                qFatal("%s", qPrintable(erreur));
            nouveau = dossier.Fichier(QStringLiteral("nouveau"));
            QDir().mkpath(nouveau);
        }
        ~Banc() { delete fenetre; }

        // Three updates, the second one with its document.
        void troisMisesAJour()
        {
            ajouter(121, false);
            ajouter(122, true);
            ajouter(123, false);
            for (const char* nom : {"maj121.zip", "maj122.zip", "122.pdf", "maj123.zip"})
                dossier.EcrireFichier(QStringLiteral("maj/") + QLatin1String(nom), QByteArray("contenu ") + nom);
        }
        void ouvrir(const QString& ancien)
        {
            fenetre = new Frm_TransfertMAJ(reseau);
            fenetre->FixerEmplacements(ancien, nouveau);
            fenetre->show();
        }
        template <typename T>
        T* w(const char* nom) const
        {
            return fenetre->findChild<T*>(QLatin1String(nom));
        }
    };

private slots:
    void attendLesTransfertsPuisDeplaceTout()
    {
        Banc banc;
        banc.troisMisesAJour();
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, banc.postes.PortTransfert());
        QTRY_COMPARE(banc.reseau.TransfertsOuverts(), 1);

        QList<bool> occupeAChaquePas;
        banc.ouvrir(banc.dossier.DossierMaj() + QLatin1Char('/'));
        auto* deplacement = banc.fenetre->findChild<DeplacementMaj*>();
        QVERIFY(deplacement);
        connect(deplacement, &DeplacementMaj::Progression, this,
                [&] { occupeAChaquePas.append(banc.reseau.Etat_().InstallationEnCours); });

        QCOMPARE(banc.fenetre->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QTRY_VERIFY(banc.w<QLabel>("Etq_TransfertEnCours")->isVisible());
        QCOMPARE(banc.w<QLabel>("Etq_TransfertEnCours")->text(),
                 QStringLiteral("Des mises à jours sont en cours, l'application va attendre la fin de celles-ci pour "
                                "continuer ..."));
        // Nothing moves, and workstations are still served, while a workstation fetches a file.
        QCOMPARE(fichiers(banc.nouveau), QStringList());
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);

        poste.disconnectFromHost();
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        QVERIFY(!banc.w<QLabel>("Etq_TransfertEnCours")->isVisible());
        QCOMPARE(banc.w<QLabel>("Etq_Termine")->text(), QStringLiteral("Transfert terminé"));
        QCOMPARE(fichiers(banc.nouveau),
                 (QStringList{QStringLiteral("122.pdf"), QStringLiteral("maj121.zip"), QStringLiteral("maj122.zip"),
                              QStringLiteral("maj123.zip")}));
        QCOMPARE(fichiers(banc.dossier.DossierMaj()), QStringList());
        QCOMPARE(lire(banc.nouveau + QStringLiteral("/122.pdf")), QByteArray("contenu 122.pdf"));
        QCOMPARE(banc.w<QProgressBar>("Prg_Transfert")->maximum(), 3);
        QCOMPARE(banc.w<QProgressBar>("Prg_Transfert")->value(), 3);
        // Workstations are turned away while files move, and served again after.
        QCOMPARE(occupeAChaquePas, (QList<bool>{true, true, true}));
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QVERIFY(banc.w<QPlainTextEdit>("Lst_Anomalies")->isHidden());
        // It closes by itself a few seconds later.
        QVERIFY(banc.fenetre->Tim_Fin.isActive());
        QCOMPARE(banc.fenetre->Tim_Fin.interval(), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(banc.fenetre.isNull(), 10000);
    }

    void attendLaFinDUneVerification()
    {
        Banc banc;
        banc.troisMisesAJour();
        banc.reseau.Etat_().FixerVerificationEnCours(true);
        banc.ouvrir(banc.dossier.DossierMaj());
        QTRY_VERIFY(banc.w<QLabel>("Etq_TransfertEnCours")->isVisible());
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QCOMPARE(fichiers(banc.nouveau), QStringList());
        banc.reseau.Etat_().FixerVerificationEnCours(false);
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        QCOMPARE(fichiers(banc.nouveau).size(), 4);
    }

    void fichiersEnDefautSignalesEtLeResteDeplace()
    {
        Banc banc;
        banc.troisMisesAJour();
        QFile::remove(banc.dossier.Fichier(QStringLiteral("maj/maj121.zip")));
        banc.dossier.EcrireFichier(QStringLiteral("nouveau/maj123.zip"), "déjà là");
        banc.ouvrir(banc.dossier.DossierMaj());
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        const QString liste = banc.w<QPlainTextEdit>("Lst_Anomalies")->toPlainText();
        QVERIFY(banc.w<QPlainTextEdit>("Lst_Anomalies")->isVisible());
        QCOMPARE(liste.split(QLatin1Char('\n')).size(), 2);
        QVERIFY(liste.contains(QStringLiteral("Le fichier maj121.zip n'a pas été déplacé vers le nouveau dossier : il "
                                              "est introuvable dans l'ancien dossier.")));
        QVERIFY(liste.contains(QStringLiteral("Le fichier maj123.zip n'a pas été déplacé vers le nouveau dossier : un "
                                              "fichier du même nom existe déjà dans le nouveau dossier.")));
        // The others moved; nothing was overwritten; the old copy stays where it was.
        QCOMPARE(lire(banc.nouveau + QStringLiteral("/maj122.zip")), QByteArray("contenu maj122.zip"));
        QCOMPARE(lire(banc.nouveau + QStringLiteral("/122.pdf")), QByteArray("contenu 122.pdf"));
        QCOMPARE(lire(banc.nouveau + QStringLiteral("/maj123.zip")), QByteArray("déjà là"));
        QCOMPARE(lire(banc.dossier.Fichier(QStringLiteral("maj/maj123.zip"))), QByteArray("contenu maj123.zip"));
        QCOMPARE(banc.w<QProgressBar>("Prg_Transfert")->value(), 3);
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        // Journalled as anomalies.
        const QVector<Evenement> journal = TableJournal::Tous();
        QCOMPARE(journal.size(), 2);
        QCOMPARE(journal.first().TypeEvt, QStringLiteral("1"));
        // The person reads the list, then closes the window; it cannot be closed before the end.
        QVERIFY(!banc.fenetre->Tim_Fin.isActive());
        QTest::mouseClick(banc.w<QPushButton>("Cmd_Fermer"), Qt::LeftButton);
        QTRY_VERIFY(banc.fenetre.isNull());
    }

    void sansMiseAJourSeTermineQuandMeme()
    {
        Banc banc;
        banc.ouvrir(banc.dossier.DossierMaj());
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QVERIFY(banc.fenetre->Tim_Fin.isActive());
    }

    void fermetureRefuseePendantLeDeplacement()
    {
        Banc banc;
        banc.troisMisesAJour();
        banc.reseau.Etat_().FixerVerificationEnCours(true);
        banc.ouvrir(banc.dossier.DossierMaj());
        banc.fenetre->close();
        QTest::keyClick(banc.fenetre, Qt::Key_Escape);
        QVERIFY(banc.fenetre && banc.fenetre->isVisible());
        // Destroyed while waiting: the busy flag was never taken.
        delete banc.fenetre;
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
    }

    void deplacementEntreSystemesDeFichiers()
    {
        QTemporaryDir local;
        const QStorageInfo memoire(QStringLiteral("/dev/shm"));
        if (!memoire.isValid() || memoire.device() == QStorageInfo(local.path()).device())
            QSKIP("pas de second système de fichiers disponible");
        QTemporaryDir ailleurs(QStringLiteral("/dev/shm/quentaris-XXXXXX"));
        QVERIFY(ailleurs.isValid());
        const QString source = local.filePath(QStringLiteral("maj.zip"));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray contenu(300000, 'z');
        f.write(contenu);
        f.close();
        QString raison;
        QVERIFY2(DeplacementMaj::DeplacerFichier(source, ailleurs.filePath(QStringLiteral("maj.zip")), &raison),
                 qPrintable(raison));
        QVERIFY(!QFile::exists(source));
        QCOMPARE(lire(ailleurs.filePath(QStringLiteral("maj.zip"))), contenu);
    }
};

QUENTARIS_TEST(TstFrmTransfertMAJ)
#include "tst_Frm_TransfertMAJ.moc"
