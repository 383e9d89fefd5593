#include "ProgrammesTest.h"
#include "app/bureau/Assemblage.h"
#include "app/bureau/ConsoleAttachee.h"
#include "app/bureau/DemandesArret.h"
#include "console/menu/Frm_Acces.h"
#include "console/menu/Frm_Menu.h"
#include "console/verification/Frm_InfoBulle.h"
#include "core/BaseInterne.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/Registre.h"

#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/private/qsessionmanager_p.h>
#include <QtGui/qguiapplication_platform.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <qpa/qplatformsessionmanager.h>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* connexionX()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atome(const char* nom)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        connexionX(), xcb_intern_atom(connexionX(), 0, uint16_t(std::strlen(nom)), nom), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// The 32-bit values of a window's property, as the X server holds them.
QList<quint32> valeurs(xcb_window_t fenetre, const char* propriete)
{
    QList<quint32> liste;
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        connexionX(), xcb_get_property(connexionX(), 0, fenetre, atome(propriete), XCB_ATOM_ANY, 0, 64), nullptr);
    if (r && r->format == 32) {
        const auto* v = static_cast<const quint32*>(xcb_get_property_value(r));
        for (int i = 0; i < xcb_get_property_value_length(r) / 4; ++i)
            liste.append(v[i]);
    }
    std::free(r);
    return liste;
}

QList<quint32> valeurs(QWidget* fenetre, const char* propriete)
{
    return valeurs(xcb_window_t(fenetre->winId()), propriete);
}

bool porte(QWidget* fenetre, const char* propriete, const char* valeur)
{
    return valeurs(fenetre, propriete).contains(atome(valeur));
}

// WM_STATE as the window manager sets it: 1 normal, 3 minimised, -1 not managed.
int etatWm(QWidget* fenetre)
{
    const QList<quint32> etat = valeurs(fenetre, "WM_STATE");
    return etat.isEmpty() ? -1 : int(etat.first());
}

// What the window manager sends on Alt+F4.
void demanderFermeture(QWidget* fenetre)
{
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = xcb_window_t(fenetre->winId());
    m.type = atome("WM_PROTOCOLS");
    m.data.data32[0] = atome("WM_DELETE_WINDOW");
    m.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connexionX(), 0, m.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&m));
    xcb_flush(connexionX());
}

// Answers the box that opens once `pret` holds (or after a long while, so that a test never
// hangs), noting its text.
class Repondeur : public QObject
{
public:
    std::function<bool()> pret = [] {
        return true;
    };
    QStringList textes;

    Repondeur()
    {
        m_regard.setInterval(20);
        connect(&m_regard, &QTimer::timeout, this, [this] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!boite || !boite->isVisible())
                return;
            if (m_garde.isForever())
                m_garde.setRemainingTime(10000);
            if (!pret() && !m_garde.hasExpired())
                return;
            m_garde = QDeadlineTimer(QDeadlineTimer::Forever);
            textes.append(boite->text());
            boite->defaultButton()->click();
        });
        m_regard.start();
    }

private:
    QTimer m_regard;
    QDeadlineTimer m_garde{QDeadlineTimer::Forever};
};

// A session manager that lets the program talk to the person, as a desktop's does at logout.
struct SessionInteractive : QPlatformSessionManager
{
    SessionInteractive() : QPlatformSessionManager(QString(), QString()) { }
    bool allowsInteraction() override { return true; }
    void cancel() override { annulee = true; }
    bool annulee = false;
};

bool menuActif(Console& console)
{
    return console.Menu() && console.Menu()->isVisible() && console.Menu()->isActiveWindow();
}

bool menuFerme(Console& console)
{
    return !console.Menu() || !console.Menu()->isVisible();
}

} // namespace

// The console's windows on a real X display with a window manager (the CTest entry
// test_system_x11 starts one): boxes that open while the tray menu is open, the small window
// that stands for the icon, the check's balloon. Skipped on any other display.
class TstBureauX11 : public QObject
{
    Q_OBJECT
private slots:
    // Each test skips alone: a skip of the whole class would end the other classes of the
    // program too.
    void init()
    {
        if (!connexionX())
            QSKIP("affichage X11 réel nécessaire (test test_system_x11)");
        // The window manager starts beside the test.
        const xcb_window_t racine = xcb_setup_roots_iterator(xcb_get_setup(connexionX())).data->root;
        QTRY_VERIFY_WITH_TIMEOUT(!valeurs(racine, "_NET_SUPPORTING_WM_CHECK").isEmpty(), 10000);
    }

    // A box that opens while the menu is open outlives the menu, which closes itself under it:
    // on SIGTERM and at a logout while a workstation is connected.
    void boitesPendantLeMenu()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        Assemblage serveur;
        DemandesArret arret(serveur.Reseau);
        QSignalSpy demarre(&serveur.Reseau, &Frm_Reseau::Demarre);
        QSignalSpy fin(&serveur.Reseau, &Frm_Reseau::Fin);
        serveur.Demarrer(dossier.Chemin(), false);
        QTRY_VERIFY_WITH_TIMEOUT(!demarre.isEmpty(), 10000);
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));
        QTRY_COMPARE(serveur.Reseau.PostesConnectes(), 1);
        Console& console = serveur.Console_;
        Repondeur repondeur;
        repondeur.pret = [&console] {
            return menuFerme(console);
        };
        const QString refus
            = QStringLiteral("Vous ne pouvez pas quitter le serveur car des postes sont connectés sur celui-ci !");

        QTRY_VERIFY_WITH_TIMEOUT(menuActif(console), 10000);
        ::raise(SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(repondeur.textes, QStringList{refus}, 20000);

        console.OuvrirMenu();
        QTRY_VERIFY_WITH_TIMEOUT(menuActif(console), 10000);
        SessionInteractive session;
        auto* gestionnaire = static_cast<QSessionManagerPrivate*>(
            QObjectPrivate::get(QGuiApplicationPrivate::instance()->session_manager));
        QPlatformSessionManager* avant = gestionnaire->platformSessionManager;
        gestionnaire->platformSessionManager = &session;
        QGuiApplicationPrivate::instance()->commitData();
        gestionnaire->platformSessionManager = avant;
        QCOMPARE(repondeur.textes, (QStringList{refus, refus}));
        QVERIFY(session.annulee);
        QVERIFY(fin.isEmpty());
        QVERIFY(accepte(dossier.portControle));
    }

    // The same in the console of a service, when the service goes away while the box is open.
    void boiteQuandLeServiceSEnVa()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {}, env);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));

        ConsoleAttachee console;
        QSignalSpy attachee(&console, &ConsoleAttachee::Attachee);
        console.Connecter(dossier.Chemin());
        QVERIFY(attachee.wait(10000));
        QTRY_COMPARE(console.Acces.PostesConnectes(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(menuActif(console.Console_), 10000);
        Repondeur repondeur;
        repondeur.pret = [&] {
            if (!menuFerme(console.Console_))
                return false;
            if (service.processus.state() == QProcess::Running)
                ::kill(pid_t(service.processus.processId()), SIGKILL);
            return !console.Console_.ServeurJoignable();
        };
        // The service refuses to stop while a workstation is connected, and says so in a box.
        console.Console_.Quitter();
        QTRY_COMPARE_WITH_TIMEOUT(repondeur.textes.size(), 1, 20000);
        QVERIFY(!console.Console_.ServeurJoignable());
        BaseInterne::Fermer();
    }

    // The small window that stands for the icon is an ordinary window that Alt+F4 minimises and a
    // second start brings back with the menu; the check's balloon is a notification, in no
    // taskbar, above the others.
    void fenetresDuBureau()
    {
        Assemblage serveur;
        serveur.Console_.AfficherIcone();
        Frm_Acces* acces = Visible<Frm_Acces>();
        QVERIFY(acces);
        QTRY_COMPARE(etatWm(acces), 1);
        QVERIFY(!porte(acces, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
        demanderFermeture(acces);
        QTRY_COMPARE(etatWm(acces), 3);
        serveur.Console_.MontrerMenu();
        QTRY_COMPARE(etatWm(acces), 1);
        QTRY_VERIFY(menuActif(serveur.Console_));
        serveur.Console_.FermerMenu();

        Frm_InfoBulle bulle;
        bulle.Placer();
        bulle.show();
        QTRY_COMPARE(etatWm(&bulle), 1);
        QCOMPARE(valeurs(&bulle, "_NET_WM_WINDOW_TYPE"), QList<quint32>{atome("_NET_WM_WINDOW_TYPE_NOTIFICATION")});
        QVERIFY(porte(&bulle, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
        QVERIFY(porte(&bulle, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
    }
};

QUENTARIS_TEST(TstBureauX11)
#include "tst_BureauX11.moc"
