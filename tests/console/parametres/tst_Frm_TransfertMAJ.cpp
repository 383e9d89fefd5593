#include "console/AccesServeurLocal.h"
#include "console/parametres/Frm_TransfertMAJ.h"
#include "core/Frm_Reseau.h"
#include "core/Journal.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
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
#include <QTcpSocket>
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
        AccesServeurLocal acces{reseau, &postes};
        QString nouveau;
        QPointer<Frm_TransfertMAJ> fenetre;

        Banc()
        {
            dossier.EcrireParametres();
            reseau.Etat_().EmplacementMaj = dossier.DossierMaj();
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
            fenetre = new Frm_TransfertMAJ(acces);
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
        connect(&banc.acces, &AccesServeur::DeplacementProgression, this,
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
        QCOMPARE(LireFichier(banc.nouveau + QStringLiteral("/122.pdf")), QByteArray("contenu 122.pdf"));
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

    void fichierAbsentListeEtLeResteDeplace()
    {
        Banc banc;
        banc.troisMisesAJour();
        QFile::remove(banc.dossier.Fichier(QStringLiteral("maj/maj121.zip")));
        banc.ouvrir(banc.dossier.DossierMaj());
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        QVERIFY(banc.w<QLabel>("Etq_Annule")->isHidden());
        QCOMPARE(banc.w<QPlainTextEdit>("Lst_Anomalies")->toPlainText(),
                 QStringLiteral("Le fichier maj121.zip n'a pas été déplacé vers le nouveau dossier : il est "
                                "introuvable dans l'ancien dossier."));
        QVERIFY(banc.w<QPlainTextEdit>("Lst_Anomalies")->isVisible());
        QCOMPARE(fichiers(banc.nouveau),
                 (QStringList{QStringLiteral("122.pdf"), QStringLiteral("maj122.zip"), QStringLiteral("maj123.zip")}));
        QCOMPARE(banc.w<QProgressBar>("Prg_Transfert")->value(), 3);
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QCOMPARE(TableJournal::Tous().size(), 1);
        QCOMPARE(TableJournal::Tous().first().TypeEvt, QStringLiteral("1"));
        // The person reads the list, then closes the window.
        QVERIFY(!banc.fenetre->Tim_Fin.isActive());
        QTest::mouseClick(banc.w<QPushButton>("Cmd_Fermer"), Qt::LeftButton);
        QTRY_VERIFY(banc.fenetre.isNull());
    }

    void nomPrisAnnuleLeDeplacement()
    {
        Banc banc;
        banc.troisMisesAJour();
        banc.dossier.EcrireFichier(QStringLiteral("nouveau/maj123.zip"), "déjà là");
        banc.ouvrir(banc.dossier.DossierMaj());
        QSignalSpy fin(banc.fenetre.data(), &Frm_TransfertMAJ::Termine);
        QTRY_VERIFY(banc.w<QLabel>("Etq_Annule")->isVisible());
        QCOMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toBool(), false);
        QVERIFY(banc.w<QLabel>("Etq_Termine")->isHidden());
        QCOMPARE(banc.w<QLabel>("Etq_Annule")->text(),
                 QStringLiteral("Transfert annulé : les mises à jour restent dans l'ancien dossier, qui reste "
                                "l'emplacement des mises à jour."));
        QCOMPARE(banc.w<QPlainTextEdit>("Lst_Anomalies")->toPlainText(),
                 QStringLiteral("Le fichier maj123.zip n'a pas été déplacé vers le nouveau dossier : un fichier du "
                                "même nom existe déjà dans le nouveau dossier."));
        QCOMPARE(fichiers(banc.nouveau), QStringList{QStringLiteral("maj123.zip")});
        QCOMPARE(fichiers(banc.dossier.DossierMaj()).size(), 4);
        QCOMPARE(TableParametres::Lire().EmplacementMaj, banc.dossier.DossierMaj());
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QVERIFY(!banc.fenetre->Tim_Fin.isActive());
        QVERIFY(banc.w<QPushButton>("Cmd_Fermer")->isVisible());
        QTest::mouseClick(banc.w<QPushButton>("Cmd_Fermer"), Qt::LeftButton);
        QTRY_VERIFY(banc.fenetre.isNull());
    }

    // As soon as the move has ended, before the window closes, a workstation is served from
    // the new folder.
    void posteServiDepuisLeNouveauDossierDesLaFin()
    {
        Banc banc;
        banc.troisMisesAJour();
        banc.ouvrir(banc.dossier.DossierMaj());
        QTRY_VERIFY(banc.w<QLabel>("Etq_Termine")->isVisible());
        QVERIFY(banc.fenetre->isVisible());
        QCOMPARE(banc.reseau.Etat_().EmplacementMaj, banc.nouveau);
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, banc.postes.PortTransfert());
        QVERIFY(poste.waitForConnected(2000));
        poste.write("RCPMAJ#122");
        QTRY_VERIFY(poste.bytesAvailable() > 0);
        QCOMPARE(poste.readAll(), QByteArray::number(QByteArray("contenu maj122.zip").size()));
        QVERIFY(banc.fenetre);
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
};

QUENTARIS_TEST(TstFrmTransfertMAJ)
#include "tst_Frm_TransfertMAJ.moc"
