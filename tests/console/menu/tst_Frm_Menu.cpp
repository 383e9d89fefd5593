#include "console/AccesServeurLocal.h"
#include "console/menu/Console.h"
#include "console/menu/Frm_Menu.h"
#include "core/Composants.h"
#include "core/Frm_Reseau.h"
#include "platform/bureau/Bureau.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWindow>

namespace {

class PostesFactices : public ServicePostes
{
public:
    bool Ecouter(quint16, quint16, QString*) override { return true; }
    int PostesConnectes() const override { return postes; }
    int TransfertsOuverts() const override { return 0; }
    int postes = 0;
};

// PATH holding only the programs a test wants the menu to find.
class CheminProgrammes
{
public:
    explicit CheminProgrammes(bool avecTelnet) : m_ancien(qgetenv("PATH"))
    {
        if (avecTelnet) {
            QFile f(m_dossier.filePath(QStringLiteral("telnet")));
            f.open(QIODevice::WriteOnly);
            f.write("#!/bin/sh\n");
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dossier.path().toLocal8Bit());
    }
    ~CheminProgrammes() { qputenv("PATH", m_ancien); }

private:
    QTemporaryDir m_dossier;
    QByteArray m_ancien;
};

// The pointer moving over a widget, as the window system delivers it.
void survoler(QWidget* widget, QPoint position = QPoint(2, 2))
{
    QMouseEvent mouvement(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
    QApplication::sendEvent(widget, &mouvement);
}

} // namespace

class TstFrmMenu : public QObject
{
    Q_OBJECT

    struct Banc
    {
        InterlocuteurScripte messages;
        PostesFactices postes;
        Frm_Reseau reseau;
        AccesServeurLocal acces{reseau};
        Console console{acces};
        Banc() { reseau.Brancher(&postes, &console); }
        Frm_Menu* ouvrir()
        {
            console.OuvrirMenu();
            return console.Menu();
        }
        QString nombre() const { return console.Menu()->findChild<QLabel*>(QStringLiteral("Etq_NbPostes"))->text(); }
    };

private slots:
    void entreesDansLOrdreAvecLeurLegende()
    {
        Banc banc;
        Frm_Menu* menu = banc.ouvrir();
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("Etq_Titre"))->text(), QStringLiteral("QUENTARIS - Serveur"));
        QVERIFY(menu->findChild<QLabel*>(QStringLiteral("Etq_Titre"))->font().bold());
        QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Nombre de postes connectés :"));
        QCOMPARE(banc.nombre(), QStringLiteral("0"));
        const QStringList attendu = {QStringLiteral("Utilisateurs connectés"),
                                     QStringLiteral("Rechercher mises à jour"),
                                     QStringLiteral("Historique téléchargements"),
                                     QStringLiteral("Suivi de la mise à jour"),
                                     QStringLiteral("Mises à jour en attente"),
                                     QStringLiteral("Observateur d'évenements"),
                                     QStringLiteral("Telnet Serveur"),
                                     QStringLiteral("Télémaintenance"),
                                     QStringLiteral("Paramètres"),
                                     QStringLiteral("Réduire le menu"),
                                     QStringLiteral("Quitter le serveur")};
        const int ordre[] = {7, 2, 8, 3, 5, 6, 10, 9, 1, 4, 0};
        int yPrecedent = -1;
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(menu->Etq_Menu(ordre[i])->text(), attendu.at(i));
            QCOMPARE(menu->Etq_Menu(ordre[i])->objectName(), QStringLiteral("Etq_Menu_%1").arg(ordre[i]));
            const int y = menu->Sel_Menu(ordre[i])->y();
            QVERIFY(y > yPrecedent);
            yPrecedent = y;
        }
        QVERIFY(menu->findChild<QFrame*>(QStringLiteral("Frame1")));
        QVERIFY(menu->findChild<QFrame*>(QStringLiteral("Cdr_Separation")));
        QCOMPARE(menu->Tim_Minuteur.interval(), 1500);
        QVERIFY(menu->Tim_Minuteur.isActive());
    }

    void survolDUneSeuleEntreeActive()
    {
        CheminProgrammes chemin(false);
        Banc banc;
        Frm_Menu* menu = banc.ouvrir();
        survoler(menu->Etq_Menu(2));
        QVERIFY(menu->EstSurligne(2));
        QVERIFY(menu->Etq_Menu(2)->font().bold());
        survoler(menu->Etq_Menu(8));
        QVERIFY(menu->EstSurligne(8));
        QVERIFY(!menu->EstSurligne(2));
        QVERIFY(!menu->Etq_Menu(2)->font().bold());
        // The title area removes every highlight.
        survoler(menu->findChild<QLabel*>(QStringLiteral("Etq_Titre")));
        QVERIFY(!menu->EstSurligne(8));
        // A disabled entry is never highlighted.
        QVERIFY(!menu->Etq_Menu(10)->isEnabled());
        survoler(menu->Etq_Menu(10));
        survoler(menu->Sel_Menu(10));
        for (int i = 0; i < 11; ++i)
            QVERIFY(!menu->EstSurligne(i));
    }

    // The menu from the keyboard alone: it opens with the keys and its first entry highlighted;
    // the arrows go round the enabled entries in the order shown, from wherever the pointer
    // left the highlight; Return and Space choose, Escape closes without acting.
    void clavier()
    {
        CheminProgrammes chemin(false);
        Banc banc;
        QList<int> actions;
        for (int entree : {3, 8})
            banc.console.DefinirAction(entree, [&actions, entree] { actions.append(entree); });
        Frm_Menu* menu = banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(menu));
        QCOMPARE(QApplication::focusWidget(), menu);
        QCOMPARE(menu->EntreeSurlignee(), 7);
        QVERIFY(menu->Etq_Menu(7)->font().bold());
        const auto touche = [&menu](Qt::Key cle) {
            QTest::keyClick(menu->windowHandle(), cle);
        };
        touche(Qt::Key_Up);
        QCOMPARE(menu->EntreeSurlignee(), 0);
        QVERIFY(!menu->EstSurligne(7));
        // A workstation connects: "Quitter le serveur" is greyed and passed over, as is telnet.
        banc.postes.postes = 1;
        menu->Actualiser();
        touche(Qt::Key_End);
        QCOMPARE(menu->EntreeSurlignee(), 4);
        const QList<int> montee = {1, 9, 6, 5};
        for (int attendue : montee) {
            touche(Qt::Key_Up);
            QCOMPARE(menu->EntreeSurlignee(), attendue);
        }
        touche(Qt::Key_Down);
        touche(Qt::Key_Down);
        QCOMPARE(menu->EntreeSurlignee(), 9);
        touche(Qt::Key_Home);
        QCOMPARE(menu->EntreeSurlignee(), 7);
        survoler(menu->Etq_Menu(8));
        touche(Qt::Key_Down);
        QCOMPARE(menu->EntreeSurlignee(), 3);
        QVERIFY(!menu->Etq_Menu(8)->font().bold());
        touche(Qt::Key_Return);
        QCOMPARE(actions, QList<int>{3});
        QTRY_VERIFY(!banc.console.Menu());

        menu = banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(menu));
        touche(Qt::Key_Escape);
        QTRY_VERIFY(!banc.console.Menu());
        QCOMPARE(actions, QList<int>{3});

        menu = banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(menu));
        touche(Qt::Key_Down);
        touche(Qt::Key_Down);
        touche(Qt::Key_Space);
        QCOMPARE(actions, (QList<int>{3, 8}));
        QTRY_VERIFY(!banc.console.Menu());
    }

    // Letters, as in a desktop menu: the one enabled entry starting with it is chosen, several
    // are gone through in turn. A greyed entry says why in its tooltip.
    void lettresEtEntreesGriseesExpliquees()
    {
        CheminProgrammes chemin(false);
        Banc banc;
        QList<int> actions;
        for (int entree : {2, 4, 8, 9})
            banc.console.DefinirAction(entree, [&actions, entree] { actions.append(entree); });
        banc.postes.postes = 1;
        banc.console.FixerParametresOuverts(true);
        Frm_Menu* menu = banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(menu));
        const auto bulle = [menu](int entree) {
            QWidget* bande = menu->Sel_Menu(entree);
            const QPoint point(4, bande->height() / 2);
            QHelpEvent aide(QEvent::ToolTip, point, bande->mapToGlobal(point));
            QApplication::sendEvent(bande, &aide);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(bulle(0),
                 QStringLiteral("Impossible tant que des postes sont connectés au serveur (voir « "
                                "Utilisateurs connectés »)."));
        QCOMPARE(menu->Etq_Menu(1)->toolTip(), QStringLiteral("L'écran des paramètres est déjà ouvert."));
        QCOMPARE(menu->Etq_Menu(10)->toolTip(),
                 QStringLiteral("Le programme telnet n'est pas installé sur ce serveur."));
        QCOMPARE(menu->Etq_Menu(9)->toolTip(), QString());

        const auto lettre = [&menu](char c) {
            QTest::keyClick(menu->windowHandle(), c);
        };
        for (int attendue : {2, 4, 2}) {
            lettre('r');
            QCOMPARE(menu->EntreeSurlignee(), attendue);
        }
        // Greyed entries are passed over: "q" does nothing, "t" has Télémaintenance alone.
        lettre('q');
        lettre('z');
        QVERIFY(menu->isVisible());
        QVERIFY(actions.isEmpty());
        lettre('T');
        QCOMPARE(actions, QList<int>{9});
        QTRY_VERIFY(!banc.console.Menu());

        // Once the workstations have left, the entry is enabled and its tooltip gone.
        banc.postes.postes = 0;
        menu = banc.ouvrir();
        QVERIFY(menu->Etq_Menu(0)->isEnabled());
        QCOMPARE(menu->Sel_Menu(0)->toolTip(), QString());
        QVERIFY(QTest::qWaitForWindowActive(menu));
        lettre('h');
        QCOMPARE(actions, (QList<int>{9, 8}));

        // "q" only highlights the quit entry: a stray key does not stop the server.
        QSignalSpy fin(&banc.reseau, &Frm_Reseau::Fin);
        menu = banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(menu));
        QPointer<Frm_Menu> ouvert(menu);
        lettre('q');
        QVERIFY(ouvert && ouvert->isVisible());
        QCOMPARE(menu->EntreeSurlignee(), 0);
        QCOMPARE(fin.count(), 0);
    }

    void telnetGriseQuandAbsent()
    {
        {
            CheminProgrammes chemin(false);
            Banc banc;
            Frm_Menu* menu = banc.ouvrir();
            QVERIFY(!menu->Etq_Menu(10)->isEnabled());
            QVERIFY(!menu->Sel_Menu(10)->isEnabled());
            // Shown greyed, while enabled entries are black.
            QVERIFY(menu->Etq_Menu(10)->palette().color(QPalette::Disabled, QPalette::WindowText) != QColor(Qt::black));
            QCOMPARE(menu->Etq_Menu(9)->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
            menu->ActionClick(10);
            QVERIFY(menu->isVisible());
        }
        CheminProgrammes chemin(true);
        Banc banc;
        QVERIFY(banc.ouvrir()->Etq_Menu(10)->isEnabled());
    }

    void quitterRefuseAvecDesPostesConnectes()
    {
        Banc banc;
        QSignalSpy fin(&banc.reseau, &Frm_Reseau::Fin);
        Frm_Menu* menu = banc.ouvrir();
        QVERIFY(menu->Etq_Menu(0)->isEnabled());
        // A workstation connects while the menu is open: the count follows at once, the entry
        // only at the next refresh, and choosing it then is refused.
        banc.postes.postes = 1;
        menu->EcrireNombrePostes();
        QCOMPARE(banc.nombre(), QStringLiteral("1"));
        QVERIFY(menu->Etq_Menu(0)->isEnabled());
        QTest::mouseClick(menu->Etq_Menu(0), Qt::LeftButton);
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Il est impossible de quitter le serveur d'QUENTARIS lorsque des "
                                            "utilisateurs sont connectés à celui-ci.")});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QVERIFY(!menu->Etq_Menu(0)->isEnabled());
        QVERIFY(menu->isVisible());
        QVERIFY(fin.isEmpty());
        survoler(menu->Etq_Menu(0));
        QVERIFY(!menu->EstSurligne(0));

        // Both leave: the timer brings the count back to 0, the next refresh the entry.
        banc.postes.postes = 0;
        QTRY_COMPARE(banc.nombre(), QStringLiteral("0"));
        menu->Actualiser();
        QVERIFY(menu->Etq_Menu(0)->isEnabled());
        QTest::mouseClick(menu->Etq_Menu(0), Qt::LeftButton);
        QCOMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toInt(), 0);
        QTRY_VERIFY(!banc.console.Menu());
    }

    // Menu entry 0 asks the controller like the system does: no stop while an update installs
    // or the update folder moves.
    void quitterRefusePendantUneInstallation()
    {
        Banc banc;
        QSignalSpy fin(&banc.reseau, &Frm_Reseau::Fin);
        Frm_Menu* menu = banc.ouvrir();
        banc.reseau.Etat_().InstallationEnCours = true;
        QTest::mouseClick(menu->Etq_Menu(0), Qt::LeftButton);
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Le serveur ne peut pas être arrêté pendant une installation ou un "
                                            "déplacement des mises à jour.")});
        QVERIFY(fin.isEmpty());
        banc.reseau.Etat_().InstallationEnCours = false;
        banc.ouvrir();
        QTest::mouseClick(banc.console.Menu()->Etq_Menu(0), Qt::LeftButton);
        QCOMPARE(fin.size(), 1);
    }

    void menuOuvertAvecDeuxPostes()
    {
        Banc banc;
        banc.postes.postes = 2;
        Frm_Menu* menu = banc.ouvrir();
        QCOMPARE(banc.nombre(), QStringLiteral("2"));
        QVERIFY(!menu->Etq_Menu(0)->isEnabled());
        QTest::mouseClick(menu->Etq_Menu(0), Qt::LeftButton);
        QVERIFY(banc.messages.affiches.isEmpty());
    }

    void entreesFermentLeMenuPuisAgissent()
    {
        Banc banc;
        QList<bool> menuVisibleALAction;
        banc.console.DefinirAction(3, [&banc, &menuVisibleALAction] {
            menuVisibleALAction.append(banc.console.Menu() && banc.console.Menu()->isVisible());
        });
        Frm_Menu* menu = banc.ouvrir();
        QTest::mouseClick(menu->Etq_Menu(3), Qt::LeftButton);
        QCOMPARE(menuVisibleALAction, QList<bool>{false});
        QTRY_VERIFY(!banc.console.Menu());

        menu = banc.ouvrir();
        QTest::mouseClick(menu->Sel_Menu(4), Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_VERIFY(!banc.console.Menu());

        // A second click on the tray icon closes the open menu.
        banc.ouvrir();
        QVERIFY(banc.console.Menu()->isVisible());
        banc.console.OuvrirMenu();
        QTRY_VERIFY(!banc.console.Menu());
    }

    void parametresGrisesTantQueLEcranEstOuvert()
    {
        Banc banc;
        Frm_Menu* menu = banc.ouvrir();
        QTest::mouseClick(menu->Etq_Menu(1), Qt::LeftButton);
        banc.console.FixerParametresOuverts(true);
        QTRY_VERIFY(!banc.console.Menu());
        menu = banc.ouvrir();
        QVERIFY(!menu->Etq_Menu(1)->isEnabled());
        banc.console.OuvrirMenu();
        QTRY_VERIFY(!banc.console.Menu());
        menu = banc.ouvrir();
        QVERIFY(!menu->Etq_Menu(1)->isEnabled());
        banc.console.FixerParametresOuverts(false);
        QVERIFY(menu->Etq_Menu(1)->isEnabled());
    }

    // Without a notification area the small window stands for the icon; closing it only
    // minimises it, so the menu stays within reach.
    void fenetreDAccesSurvitALaFermeture()
    {
        Banc banc;
        banc.console.AfficherIcone();
        QWidget* acces = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Frm_Acces") && w->isVisible())
                acces = w;
        QVERIFY(acces);
        QPointer<QWidget> garde(acces);
        QVERIFY(!acces->close());
        QVERIFY(garde && acces->isVisible());
        QTest::mouseClick(acces->findChild<QPushButton*>(QStringLiteral("Cmd_Menu")), Qt::LeftButton);
        QVERIFY(banc.console.Menu() && banc.console.Menu()->isVisible());
        banc.console.RetirerIcone();
        QVERIFY(!garde);
    }

    void placeContreLeBordDeLEcran()
    {
        Banc banc;
        Frm_Menu* menu = banc.ouvrir();
        const QSize ecran = Bureau::TailleEcran();
        QCOMPARE(menu->pos().x(), ecran.width() - menu->width());
    }
};

QUENTARIS_TEST(TstFrmMenu)
#include "tst_Frm_Menu.moc"
