#include "console/AccesServeurLocal.h"
#include "console/installation/Frm_DiffereInstall.h"
#include "console/installation/Frm_MAJAttente.h"
#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "platform/bureau/Bureau.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

namespace {

// Queues a server update; its IdMajAttente.
qint64 mettreEnAttente(qint64 version, bool doc, const QDate& date)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = QStringLiteral("serveur_%1.zip").arg(version);
    maj.EnvironnementMaj = 1;
    maj.DocAssociee = doc;
    TableMajAttente::Ajouter(TableMajDispo::Inserer(maj), date);
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT MAX(IdMajAttente) FROM MajAttente"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

QStringList ligne(const QTreeWidgetItem* item)
{
    QStringList textes;
    for (int c = 0; c < item->columnCount(); ++c)
        textes.append(item->text(c));
    return textes;
}

} // namespace

class TstFrmMAJAttente : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Frm_Reseau> m_reseau;
    std::unique_ptr<ClientUniDATALocal> m_client;
    std::unique_ptr<InstallationServeur> m_installation;
    std::unique_ptr<InstallationDifferee> m_differee;
    std::unique_ptr<AccesServeurLocal> m_acces;
    std::unique_ptr<InterlocuteurScripte> m_messages;
    QList<QUrl> m_ouverts;

    std::unique_ptr<Frm_MAJAttente> ouvrir()
    {
        auto fenetre = std::make_unique<Frm_MAJAttente>(ServicesInstallation{*m_acces});
        fenetre->setAttribute(Qt::WA_DeleteOnClose, false);
        fenetre->show();
        return fenetre;
    }

    template <typename T>
    static T* enfant(QWidget* w, const char* nom)
    {
        return w->findChild<T*>(QString::fromLatin1(nom));
    }

private slots:
    // A queue that cannot be read is not shown as empty, and offers nothing to install.
    void fileIllisible()
    {
        mettreEnAttente(512, true, QDate(2026, 3, 5));
        {
            AutreProgramme autre(m_dossier->Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE MajAttente RENAME TO Cachee")));
        }
        const auto fenetre = ouvrir();
        auto* liste = enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente");
        QCOMPARE(liste->topLevelItemCount(), 1);
        QCOMPARE(liste->topLevelItem(0)->text(0),
                 QStringLiteral("La liste des mises à jour serveur en attente ne peut pas être lue dans la base de "
                                "données interne."));
        QVERIFY(!liste->isEnabled());
        QVERIFY(!enfant<QPushButton>(fenetre.get(), "Cmd_InstallMAJ")->isEnabled());
        QVERIFY(!enfant<QPushButton>(fenetre.get(), "Cmd_VisuInfos")->isEnabled());
    }

    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_reseau = std::make_unique<Frm_Reseau>();
        m_client = std::make_unique<ClientUniDATALocal>();
        m_installation = std::make_unique<InstallationServeur>(*m_reseau, *m_client);
        m_differee = std::make_unique<InstallationDifferee>(*m_reseau, *m_installation);
        m_acces = std::make_unique<AccesServeurLocal>(*m_reseau, nullptr, m_installation.get(), m_differee.get());
        m_messages = std::make_unique<InterlocuteurScripte>();
        m_ouverts.clear();
        Bureau::RemplacerOuverture([this](const QUrl& adresse) {
            m_ouverts.append(adresse);
            return true;
        });
    }

    void cleanup()
    {
        Bureau::RemplacerOuverture([](const QUrl& url) { return QDesktopServices::openUrl(url); });
        m_messages.reset();
        m_acces.reset();
        m_differee.reset();
        m_installation.reset();
        m_client.reset();
        m_reseau.reset();
        m_dossier.reset();
    }

    void listeEtBoutons()
    {
        const qint64 premier = mettreEnAttente(512, true, QDate(2026, 11, 30));
        const qint64 second = mettreEnAttente(530, false, QDate(2026, 12, 2));
        const qint64 installe = mettreEnAttente(500, true, QDate(2026, 11, 1));
        TableMajAttente::MarquerInstallee(installe);
        TableMajAttente::FixerDiffere(second, true);

        auto fenetre = ouvrir();
        QCOMPARE(fenetre->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        auto* liste = enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente");
        QCOMPARE(ligne(liste->headerItem()),
                 (QStringList{QString(), QStringLiteral("Numéro de la version"), QStringLiteral("Date ajout"),
                              QStringLiteral("Infos Version"), QStringLiteral("Nom du fichier"),
                              QStringLiteral("Installation différée")}));
        QVERIFY(liste->isColumnHidden(4));
        QCOMPARE(liste->topLevelItemCount(), 2);
        QCOMPARE(ligne(liste->topLevelItem(0)),
                 (QStringList{QString::number(premier), QStringLiteral("512"), QStringLiteral("30/11/2026"),
                              QStringLiteral("Oui"), QStringLiteral("serveur_512.zip"), QStringLiteral("Non")}));
        QCOMPARE(ligne(liste->topLevelItem(1)),
                 (QStringList{QString::number(second), QStringLiteral("530"), QStringLiteral("02/12/2026"),
                              QStringLiteral("Non"), QStringLiteral("serveur_530.zip"), QStringLiteral("Oui")}));
        QCOMPARE(liste->topLevelItem(1)->foreground(3).color(), QColor(255, 0, 0));

        auto* visu = enfant<QPushButton>(fenetre.get(), "Cmd_VisuInfos");
        QVERIFY(visu->isEnabled());
        liste->setCurrentItem(liste->topLevelItem(1));
        QVERIFY(!visu->isEnabled());
        liste->setCurrentItem(liste->topLevelItem(0));
        QVERIFY(visu->isEnabled());

        // The version document: with no settings row nothing happens; then it opens, or a
        // missing one is reported.
        visu->click();
        QVERIFY(m_ouverts.isEmpty());
        QVERIFY(m_messages->affiches.isEmpty());
        m_dossier->EcrireParametres();
        {
            // Settings that cannot be read are told, not taken for an absent row.
            AutreProgramme autre(m_dossier->Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE ParamMajInt RENAME TO Cachee")));
            visu->click();
            QCOMPARE(m_messages->Dernier(),
                     QStringLiteral("Les paramètres ne peuvent pas être lus dans la base de données interne : les "
                                    "informations de version ne peuvent pas être ouvertes."));
            QCOMPARE(m_messages->affiches.last().icone, Icone::Exclamation);
            QVERIFY(m_ouverts.isEmpty());
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO ParamMajInt")));
        }
        visu->click();
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("Une erreur est survenue lors de la tentative d'ouverture du "
                                "fichier d'informations sur la version !"));
        QVERIFY(m_ouverts.isEmpty());
        m_dossier->EcrireFichier(QStringLiteral("maj/512.pdf"), "%PDF");
        visu->click();
        QCOMPARE(m_ouverts, QList<QUrl>{QUrl::fromLocalFile(m_dossier->DossierMaj() + QStringLiteral("/512.pdf"))});
        QCOMPARE(m_messages->affiches.size(), 2);
    }

    void ordreDArriveeEtPlanification()
    {
        const qint64 premier = mettreEnAttente(512, true, QDate(2026, 11, 30));
        mettreEnAttente(530, false, QDate(2026, 12, 2));
        auto fenetre = ouvrir();
        auto* liste = enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente");
        auto* installer = enfant<QPushButton>(fenetre.get(), "Cmd_InstallMAJ");

        liste->setCurrentItem(liste->topLevelItem(1));
        installer->click();
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("Les mises à jour doivent être effectuées dans l'ordre "
                                "chronologique d'arrivée. Merci de faire les mises à jour "
                                "précédentes avant de lancer celle-ci."));
        QVERIFY(!fenetre->findChild<Frm_DiffereInstall*>());

        liste->setCurrentItem(liste->topLevelItem(0));
        installer->click();
        auto* dialogue = fenetre->findChild<Frm_DiffereInstall*>();
        QVERIFY(dialogue);
        QVERIFY(dialogue->isModal());
        QCOMPARE(dialogue->Txt_NomFichier->text(), QStringLiteral("serveur_512.zip"));
        QCOMPARE(dialogue->Txt_NumVersion->text(), QStringLiteral("512"));
        QCOMPARE(dialogue->Txt_IdMaj->text(), QString::number(premier));
        QVERIFY(!dialogue->Txt_IdMaj->isVisible());

        // Planned: the list shows it once the dialog has closed.
        enfant<QWidget>(dialogue, "Opt_DepartDiffere")->setProperty("checked", true);
        m_messages->Repondre(Reponse::Oui);
        enfant<QPushButton>(dialogue, "Cmd_Valider")->click();
        QCOMPARE(liste->topLevelItem(0)->text(5), QStringLiteral("Oui"));
        QCOMPARE(m_differee->Plan().VersionPlanifiee, QStringLiteral("512"));
    }

    void fileVide()
    {
        auto fenetre = ouvrir();
        QCOMPARE(enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente")->topLevelItemCount(), 0);
        QVERIFY(!enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente")->isEnabled());
        QVERIFY(!enfant<QPushButton>(fenetre.get(), "Cmd_InstallMAJ")->isEnabled());
        QVERIFY(!enfant<QPushButton>(fenetre.get(), "Cmd_VisuInfos")->isEnabled());

        // "Actualiser" shows what arrived meanwhile, and the list can be used again.
        mettreEnAttente(512, true, QDate(2026, 11, 30));
        enfant<QPushButton>(fenetre.get(), "Cmd_Actualiser")->click();
        QCOMPARE(enfant<QTreeWidget>(fenetre.get(), "Lst_MAJAttente")->topLevelItemCount(), 1);
        QVERIFY(enfant<QPushButton>(fenetre.get(), "Cmd_InstallMAJ")->isEnabled());
        QVERIFY(enfant<QPushButton>(fenetre.get(), "Cmd_VisuInfos")->isEnabled());

        enfant<QPushButton>(fenetre.get(), "Cmd_Fermer")->click();
        QVERIFY(!fenetre->isVisible());
    }
};

QUENTARIS_TEST(TstFrmMAJAttente)
#include "tst_Frm_MAJAttente.moc"
