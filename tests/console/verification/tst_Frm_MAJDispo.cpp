#include "console/verification/Frm_MAJDispo.h"
#include "core/BaseInterne.h"
#include "core/TableMajDispo.h"
#include "platform/bureau/Bureau.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/Textes.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

void ajouter(qint64 version, int environnement, bool doc, const char* date, const char* heure)
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = QStringLiteral("maj%1.zip").arg(version);
    maj.EnvironnementMaj = environnement;
    maj.DocAssociee = doc;
    maj.DateMajDispo = QLatin1String(date);
    maj.HeureMajDispo = QLatin1String(heure);
    TableMajDispo::Inserer(maj);
}

QStringList ligne(const QTreeWidgetItem* item)
{
    QStringList textes;
    for (int i = 1; i < 6; ++i)
        textes.append(item->text(i));
    return textes;
}

} // namespace

class TstFrmMAJDispo : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        QList<QUrl> ouverts;
        QPointer<Frm_MAJDispo> ecran;
        Banc()
        {
            Bureau::RemplacerOuverture([this](const QUrl& url) {
                ouverts.append(url);
                return true;
            });
        }
        ~Banc()
        {
            delete ecran;
            Bureau::RemplacerOuverture([](const QUrl& url) { return QDesktopServices::openUrl(url); });
        }
        void ouvrir()
        {
            ecran = new Frm_MAJDispo;
            ecran->show();
        }
        QTreeWidget* liste() const { return ecran->findChild<QTreeWidget*>(QStringLiteral("Lst_MAJDispo")); }
        QPushButton* visu() const { return ecran->findChild<QPushButton*>(QStringLiteral("Cmd_VisuInfos")); }
        void cliquerLigne(int i) const
        {
            const QRect zone = liste()->visualItemRect(liste()->topLevelItem(i));
            QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {}, zone.center());
        }
    };

private slots:
    void sansTelechargementToutEstGrise()
    {
        Banc banc;
        banc.ouvrir();
        QCOMPARE(banc.ecran->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(banc.liste()->topLevelItemCount(), 0);
        QVERIFY(!banc.liste()->isEnabled());
        QVERIFY(!banc.visu()->isEnabled());
        QCOMPARE(banc.visu()->text(), QStringLiteral("Visualiser informations de version"));
    }

    void listeIllisible()
    {
        Banc banc;
        ajouter(121, 0, true, "2026-03-05", "14:05:09");
        {
            AutreProgramme autre(banc.dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE MajDispo RENAME TO Cachee")));
        }
        banc.ouvrir();
        QCOMPARE(banc.liste()->topLevelItemCount(), 1);
        QCOMPARE(banc.liste()->topLevelItem(0)->text(0),
                 QStringLiteral("La liste des mises à jour téléchargées ne peut pas être lue dans la base de données "
                                "interne."));
        QVERIFY(!banc.liste()->isEnabled());
        QVERIFY(!banc.visu()->isEnabled());
    }

    void listeDuPlusRecentAuPlusAncien()
    {
        Banc banc;
        ajouter(121, 0, false, "2026-03-05", "14:05:09");
        ajouter(122, 1, true, "2026-04-03", "22:00:07");
        ajouter(123, 0, true, "2026-12-09", "08:30:00");
        banc.ouvrir();
        QTreeWidget* liste = banc.liste();
        QVERIFY(liste->isEnabled());
        QCOMPARE(liste->headerItem()->text(4), QStringLiteral("Date - heure téléchargement"));
        QCOMPARE(liste->topLevelItemCount(), 3);
        QCOMPARE(ligne(liste->topLevelItem(0)), Textes({"Poste", "123", "maj123.zip", "09/12/2026 à 08:30:00", "Oui"}));
        QCOMPARE(ligne(liste->topLevelItem(1)),
                 Textes({"Serveur", "122", "maj122.zip", "03/04/2026 à 22:00:07", "Oui"}));
        QCOMPARE(ligne(liste->topLevelItem(2)), Textes({"Poste", "121", "maj121.zip", "05/03/2026 à 14:05:09", "Non"}));
        QCOMPARE(liste->topLevelItem(0)->data(0, Frm_MAJDispo::RoleImage).toInt(), 1);
        QCOMPARE(liste->topLevelItem(1)->data(0, Frm_MAJDispo::RoleImage).toInt(), 2);
        QCOMPARE(liste->topLevelItem(0)->text(0), QString());
        QCOMPARE(liste->topLevelItem(2)->foreground(5).color(), QColor(255, 0, 0));
        QVERIFY(liste->topLevelItem(0)->foreground(5).color() != QColor(255, 0, 0));

        // The first line is selected and has a document.
        QCOMPARE(liste->currentItem(), liste->topLevelItem(0));
        QVERIFY(banc.visu()->isEnabled());
        banc.cliquerLigne(2);
        QVERIFY(!banc.visu()->isEnabled());
        banc.cliquerLigne(1);
        QVERIFY(banc.visu()->isEnabled());
    }

    void ouvertureDuDocumentDeVersion()
    {
        Banc banc;
        banc.dossier.EcrireParametres();
        ajouter(122, 1, true, "2026-04-03", "22:00:07");
        ajouter(123, 0, true, "2026-12-09", "08:30:00");
        banc.dossier.EcrireFichier(QStringLiteral("maj/123.pdf"), "%PDF");
        banc.ouvrir();
        QTest::mouseClick(banc.visu(), Qt::LeftButton);
        QCOMPARE(banc.ouverts.size(), 1);
        QCOMPARE(banc.ouverts.first().toLocalFile(), banc.dossier.Fichier(QStringLiteral("maj/123.pdf")));
        QVERIFY(banc.messages.affiches.isEmpty());

        // A document that is not there is reported.
        banc.cliquerLigne(1);
        QTest::mouseClick(banc.visu(), Qt::LeftButton);
        QCOMPARE(banc.ouverts.size(), 1);
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Une erreur est survenue lors de la tentative d'ouverture du fichier "
                                            "d'informations sur la version !")});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().titre, QStringLiteral("Message QUENTARIS"));
    }

    // A document there, but nothing on the machine to open it: the person is told where it is.
    void documentSansApplication()
    {
        Banc banc;
        banc.dossier.EcrireParametres();
        ajouter(123, 0, true, "2026-12-09", "08:30:00");
        banc.dossier.EcrireFichier(QStringLiteral("maj/123.pdf"), "%PDF");
        Bureau::RemplacerOuverture([](const QUrl&) { return false; });
        banc.ouvrir();
        QTest::mouseClick(banc.visu(), Qt::LeftButton);
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Aucune application n'a pu ouvrir le document ")
                             + banc.dossier.Fichier(QStringLiteral("maj/123.pdf")) + QStringLiteral(".")});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
    }

    // No settings row: nothing opens and nothing is said. Settings that cannot be read are not
    // an absent row: the person is told.
    void parametresAbsentsOuIllisibles()
    {
        Banc banc;
        ajouter(123, 0, true, "2026-12-09", "08:30:00");
        banc.dossier.EcrireFichier(QStringLiteral("maj/123.pdf"), "%PDF");
        banc.ouvrir();
        QTest::mouseClick(banc.visu(), Qt::LeftButton);
        QVERIFY(banc.ouverts.isEmpty());
        QVERIFY(banc.messages.affiches.isEmpty());

        banc.dossier.EcrireParametres();
        AutreProgramme autre(banc.dossier.Fichier(BaseInterne::NomFichier()));
        QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE ParamMajInt RENAME TO Cachee")));
        QTest::mouseClick(banc.visu(), Qt::LeftButton);
        QVERIFY(banc.ouverts.isEmpty());
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Les paramètres ne peuvent pas être lus dans la base de données interne : "
                                            "les informations de version ne peuvent pas être ouvertes.")});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().titre, QStringLiteral("Message QUENTARIS"));
    }
};

QUENTARIS_TEST(TstFrmMAJDispo)
#include "tst_Frm_MAJDispo.moc"
