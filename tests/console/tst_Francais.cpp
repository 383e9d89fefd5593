#include "acquisition/ServiceMaj.h"
#include "app/bureau/Assemblage.h"
#include "console/PreparationApplication.h"
#include "console/commun/Icones.h"
#include "console/installation/Frm_ConnectUniDATA.h"
#include "console/installation/Frm_DiffereInstall.h"
#include "console/installation/Frm_MAJAttente.h"
#include "console/installation/Frm_MajBases.h"
#include "console/installation/Frm_MajEnCours.h"
#include "console/journal/Frm_DetailEvt.h"
#include "console/journal/Frm_NettoyageEvents.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/parametres/ChoixDossier.h"
#include "console/parametres/Frm_Params.h"
#include "console/parametres/Frm_Proxy.h"
#include "console/parametres/Frm_TransfertMAJ.h"
#include "console/postes/Frm_DetailMachine.h"
#include "console/postes/Frm_LstUsers.h"
#include "console/postes/Frm_SuiviMAJ.h"
#include "console/verification/Frm_EtatDL.h"
#include "console/verification/Frm_MAJDispo.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "support/DossierTest.h"
#include "support/JournalTest.h"
#include "support/Registre.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

// The console under LANG=C: Qt's own texts, dates and error strings are French all the same.
class TstFrancais : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(qgetenv("LANG"), QByteArray("C.UTF-8"));
        QVERIFY(PreparerApplication());
    }

    void cleanup() { Horloge::Reinitialiser(); }

    void navigateurDeDossiers()
    {
        QStringList boutons;
        QString regarder;
        QString repertoire;
        QTimer::singleShot(0, this, [&] {
            auto* dialogue = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialogue)
                return;
            for (QAbstractButton* b : dialogue->findChild<QDialogButtonBox*>()->buttons())
                boutons.append(b->text());
            regarder = dialogue->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
            repertoire = dialogue->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text();
            dialogue->reject();
        });
        QCOMPARE(ChoixDossier::Demander(nullptr, QStringLiteral("Choisir un répertoire"), QDir::tempPath()), QString());
        boutons.sort();
        QCOMPARE(boutons, QStringList({QStringLiteral("&Choisir"), QStringLiteral("Annuler")}));
        QCOMPARE(regarder, QStringLiteral("Voir dans :"));
        QCOMPARE(repertoire, QStringLiteral("Dossier :"));
    }

    // The window manager shows the caption as it stands: no application name is appended. Every
    // window, Qt's own included, shows the server's icon.
    void legendesEtIcone()
    {
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        DossierTest dossier;
        Assemblage serveur;
        const ServicesInstallation services{serveur.Acces, nullptr};
        const QString serveurMaj = QStringLiteral("Serveur de mises à jour QUENTARIS");
        std::vector<std::pair<std::unique_ptr<QWidget>, QString>> fenetres;
        auto ajouter = [&](QWidget* w, const QString& legende) {
            fenetres.emplace_back(w, legende);
        };
        ajouter(new Frm_Params(serveur.Acces), serveurMaj);
        ajouter(new Frm_Proxy, serveurMaj);
        ajouter(new Frm_TransfertMAJ(serveur.Acces), serveurMaj);
        ajouter(new Frm_ObsEvt, serveurMaj);
        ajouter(new Frm_DetailEvt, serveurMaj);
        ajouter(new Frm_NettoyageEvents, QStringLiteral("Nettoyage de la liste des évenements"));
        ajouter(new Frm_SuiviMAJ(serveur.Acces), serveurMaj);
        ajouter(new Frm_DetailMachine, QStringLiteral("Suivi des mises à jour"));
        ajouter(new Frm_LstUsers(serveur.Acces), serveurMaj);
        ajouter(new Frm_MAJDispo, serveurMaj);
        ajouter(new Frm_MAJAttente(services), serveurMaj);
        ajouter(new Frm_DiffereInstall(services), QStringLiteral("Installation de la mise à jour serveur"));
        ajouter(new Frm_ConnectUniDATA, serveurMaj);
        ajouter(new Frm_MajEnCours, QStringLiteral("Mise à jour des bases de données en cours ..."));
        ajouter(new Frm_MajBases, serveurMaj);
        ajouter(new Frm_EtatDL, serveurMaj);
        ajouter(new QMessageBox, QString());
        ajouter(new QFileDialog, QString());
        const QImage icone = Icones::Serveur().pixmap(32).toImage();
        for (const auto& [fenetre, legende] : fenetres) {
            if (!legende.isEmpty())
                QCOMPARE(fenetre->windowTitle(), legende);
            QVERIFY2(fenetre->windowIcon().pixmap(32).toImage() == icone, fenetre->metaObject()->className());
        }
    }

    // A button laid out at its narrowest keeps room between its caption and its edges.
    void boutonsAvecMarge()
    {
        for (const QString& texte : {QStringLiteral("Nettoyer la liste"), QStringLiteral("Installer la mise à jour"),
                                     QStringLiteral("Vérifier configuration")}) {
            QPushButton bouton(texte);
            QVERIFY2(bouton.sizeHint().width() >= bouton.fontMetrics().horizontalAdvance(texte) + 28,
                     qPrintable(texte));
        }
    }

    void calendrierDuNettoyage()
    {
        Horloge::Regler(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        Frm_NettoyageEvents dialogue;
        QCalendarWidget* calendrier
            = dialogue.findChild<QDateEdit*>(QStringLiteral("Cal_DateNettoyage"))->calendarWidget();
        QCOMPARE(calendrier->findChild<QAbstractButton*>(QStringLiteral("qt_calendar_monthbutton"))->text(),
                 QStringLiteral("décembre"));
        QCOMPARE(calendrier->locale().dayName(1, QLocale::ShortFormat), QStringLiteral("lun."));
    }

    void erreurDeQtDansLeJournal()
    {
        DossierTest dossier;
        QTcpServer ferme;
        QVERIFY(ferme.listen(QHostAddress::LocalHost));
        const quint16 port = ferme.serverPort();
        ferme.close();
        Etat etat;
        etat.Config.Service = QStringLiteral("http://127.0.0.1:%1").arg(port);
        QObject contexte;
        bool fini = false;
        RechercherMiseAJour(etat, QStringLiteral("0"), QStringLiteral("61742"), QStringLiteral("TR918M"), &contexte,
                            [&](const QVector<EntreeVersion>&) { fini = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fini, 20000);
        QCOMPARE(LignesJournal(),
                 QStringList(QStringLiteral("1|La recherche des mises à jour a échoué : le serveur QUENTARIS n'a pas "
                                            "pu être joint (Connexion refusée).")));
    }
};

QUENTARIS_TEST(TstFrancais)
#include "tst_Francais.moc"
