#include "app/bureau/Assemblage.h"
#include "console/menu/Frm_Menu.h"
#include "console/parametres/Frm_Params.h"
#include "core/BaseInterne.h"
#include "core/TableParametres.h"
#include "platform/bureau/Bureau.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// Visible top-level windows of that name.
int fenetres(const char* nom)
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += (w->isVisible() && w->objectName() == QLatin1String(nom)) ? 1 : 0;
    return n;
}

QWidget* fenetre(const char* nom)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(nom))
            return w;
    return nullptr;
}

} // namespace

class TstEcransConsole : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        Assemblage serveur;
        InterlocuteurScripte messages; // after the server, which installs its own
        QList<QUrl> ouverts;
        Banc()
        {
            Bureau::RemplacerOuverture([this](const QUrl& url) {
                ouverts.append(url);
                return true;
            });
        }
        ~Banc()
        {
            Bureau::RemplacerOuverture([](const QUrl& url) { return QDesktopServices::openUrl(url); });
        }
        // Chooses a menu entry as the person does: the menu closes, the entry acts.
        void choisir(int entree)
        {
            serveur.Console_.OuvrirMenu();
            serveur.Console_.Menu()->ActionClick(entree);
        }
    };

private slots:
    void chaqueEcranUneSeuleFois()
    {
        Banc banc;
        for (int entree : {3, 7, 8}) {
            banc.choisir(entree);
            banc.choisir(entree);
        }
        QTRY_COMPARE(fenetres("Frm_SuiviMAJ"), 1);
        QCOMPARE(fenetres("Frm_LstUsers"), 1);
        QCOMPARE(fenetres("Frm_MAJDispo"), 1);
        QTest::mouseClick(fenetre("Frm_MAJDispo")->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")),
                          Qt::LeftButton);
        QTRY_COMPARE(fenetres("Frm_MAJDispo"), 0);
        banc.choisir(8);
        QTRY_COMPARE(fenetres("Frm_MAJDispo"), 1);
    }

    // Keys alone: the menu opens each list screen (Down to its entry, then Return), and Escape
    // closes it.
    void ecransAuClavier()
    {
        Banc banc;
        const struct
        {
            int descentes;
            const char* nom;
        } ecrans[]
            = {{0, "Frm_LstUsers"}, {2, "Frm_MAJDispo"}, {3, "Frm_SuiviMAJ"}, {4, "Frm_MAJAttente"}, {5, "Frm_ObsEvt"}};
        for (const auto& e : ecrans) {
            banc.serveur.Console_.OuvrirMenu();
            Frm_Menu* menu = banc.serveur.Console_.Menu();
            QVERIFY(QTest::qWaitForWindowActive(menu));
            for (int i = 0; i < e.descentes; ++i)
                QTest::keyClick(menu->windowHandle(), Qt::Key_Down);
            QTest::keyClick(menu->windowHandle(), Qt::Key_Return);
            QTRY_VERIFY2(fenetre(e.nom), e.nom);
            QVERIFY2(QTest::qWaitForWindowActive(fenetre(e.nom)), e.nom);
            QTest::keyClick(fenetre(e.nom)->windowHandle(), Qt::Key_Escape);
            QTRY_COMPARE(fenetres(e.nom), 0);
        }
    }

    void parametresGriseLEntreeTantQuIlsSontOuverts()
    {
        Banc banc;
        banc.dossier.EcrireParametres();
        banc.choisir(1);
        QTRY_COMPARE(fenetres("Frm_Params"), 1);
        QVERIFY(banc.serveur.Console_.ParametresOuverts());
        QVERIFY(!fenetre("Frm_Params")->isModal());
        QCOMPARE(fenetre("Frm_Params")->findChild<QCheckBox*>(QStringLiteral("Cac_Lundi"))->isChecked(), true);
        // Reopened, the menu keeps entry 1 greyed.
        banc.serveur.Console_.OuvrirMenu();
        QVERIFY(!banc.serveur.Console_.Menu()->Etq_Menu(1)->isEnabled());
        banc.serveur.Console_.FermerMenu();
        banc.serveur.Ecrans_.OuvrirParametres();
        QCOMPARE(fenetres("Frm_Params"), 1);
        QTest::mouseClick(fenetre("Frm_Params")->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_COMPARE(fenetres("Frm_Params"), 0);
        QTRY_VERIFY(!banc.serveur.Console_.ParametresOuverts());
        banc.serveur.Console_.OuvrirMenu();
        QVERIFY(banc.serveur.Console_.Menu()->Etq_Menu(1)->isEnabled());
    }

    // Chosen again, a screen already open comes forward as the person left it: restored when
    // minimised, still maximised when it was.
    void ecranDejaOuvertRevientTelQuel()
    {
        Banc banc;
        const struct
        {
            int entree;
            const char* nom;
        } ecrans[] = {{3, "Frm_SuiviMAJ"}, {5, "Frm_MAJAttente"}, {6, "Frm_ObsEvt"}};
        for (const auto& e : ecrans) {
            banc.choisir(e.entree);
            QTRY_VERIFY2(fenetre(e.nom), e.nom);
            QWidget* ecran = fenetre(e.nom);
            ecran->showMaximized();
            banc.choisir(e.entree);
            QTRY_COMPARE(fenetres(e.nom), 1);
            QVERIFY2(fenetre(e.nom) == ecran && ecran->isMaximized(), e.nom);
            ecran->showMinimized();
            banc.choisir(e.entree);
            QTRY_VERIFY2(!ecran->isMinimized(), e.nom);
            QVERIFY2(ecran->isVisible() && ecran->isMaximized(), e.nom);
            ecran->close();
        }
    }

    void telemaintenanceDeuxFois()
    {
        Banc banc;
        banc.serveur.Reseau.Etat_().Config.Service = QStringLiteral("http://maj.quentaris.fr:8080");
        banc.choisir(9);
        QTRY_COMPARE(fenetres("Frm_Telemaintenance"), 0);
        banc.choisir(9);
        QTRY_COMPARE(banc.ouverts.size(), 2);
        QCOMPARE(banc.ouverts.at(0), QUrl(QStringLiteral("http://maj.quentaris.fr:8080/support")));
        QCOMPARE(banc.ouverts.at(1), banc.ouverts.at(0));
        QTRY_COMPARE(fenetres("Frm_Telemaintenance"), 0);
    }

    // Settings or persons that cannot be read are never shown as boxes that a save would write
    // over them: the screen is refused with a message, and the first start goes on without it.
    void parametresIllisiblesEcranRefuse()
    {
        const QString refus = QStringLiteral("Les paramètres ne peuvent pas être lus dans la base de données interne : "
                                             "l'écran des paramètres ne peut pas être ouvert.");
        for (const QString& table : {QStringLiteral("ParamMajInt"), QStringLiteral("MajResponsable")}) {
            Banc banc;
            banc.dossier.EcrireParametres();
            AutreProgramme autre(banc.dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE %1 RENAME TO Cachee").arg(table)));
            banc.choisir(1);
            QTRY_COMPARE(banc.messages.Textes(), QStringList{refus});
            QCOMPARE(fenetres("Frm_Params"), 0);
            QVERIFY(!banc.serveur.Ecrans_.Parametres());
            QVERIFY(!banc.serveur.Console_.ParametresOuverts());

            bool suite = false;
            banc.serveur.Console_.AfficherPremierDemarrage([&] { suite = true; });
            QTRY_VERIFY(suite);
            QCOMPARE(banc.messages.Textes(), (QStringList{refus, refus}));
            QCOMPARE(fenetres("Frm_Params"), 0);
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO %1").arg(table)));
        }
    }

    void premierDemarrageModalPuisSuite()
    {
        Banc banc;
        bool suite = false;
        banc.serveur.Console_.AfficherPremierDemarrage([&] { suite = true; });
        Frm_Params* ecran = banc.serveur.Ecrans_.Parametres();
        QVERIFY(ecran && ecran->isVisible());
        QCOMPARE(ecran->windowModality(), Qt::ApplicationModal);
        QVERIFY(banc.serveur.Console_.ParametresOuverts());
        ecran->DefinirVerification(
            [](const QString&, const QString&, QObject* contexte, std::function<void(const QString&)> fin) {
                QTimer::singleShot(0, contexte, [fin] { fin(QStringLiteral("OK")); });
            });
        ecran->findChild<QLineEdit*>(QStringLiteral("Txt_Emplacement"))->setText(banc.dossier.DossierMaj());
        QTest::mouseClick(ecran->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_VERIFY(suite);
        QVERIFY(TableParametres::LireLigne1().Existe);
        QVERIFY(!banc.serveur.Console_.ParametresOuverts());
        QVERIFY(banc.messages.affiches.isEmpty());
    }
};

QUENTARIS_TEST(TstEcransConsole)
#include "tst_EcransConsole.moc"
