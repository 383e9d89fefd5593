#include "app/bureau/Assemblage.h"
#include "console/commun/MemoireFenetre.h"
#include "console/menu/Frm_Menu.h"
#include "platform/bureau/Bureau.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

QWidget* fenetre(const QString& nom)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == nom)
            return w;
    return nullptr;
}

QRect zoneVisible()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

// The screens open at the size, and on the same screen the place, they were left: within one
// run and across restarts (the user's configuration on disk), never partly outside the screen.
class TstMemoireFenetres : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        Assemblage serveur;
        InterlocuteurScripte messages; // after the server, which installs its own
        Banc()
        {
            dossier.EcrireParametres();
            Bureau::RemplacerOuverture([](const QUrl&) { return true; });
        }
        ~Banc()
        {
            Bureau::RemplacerOuverture([](const QUrl& url) { return QDesktopServices::openUrl(url); });
        }
        // Opens a screen from its menu entry, as the person does.
        QWidget* ouvrir(int entree, const QString& nom)
        {
            serveur.Console_.OuvrirMenu();
            serveur.Console_.Menu()->ActionClick(entree);
            QWidget* ecran = nullptr;
            if (!QTest::qWaitFor([&] { return (ecran = fenetre(nom)) != nullptr; }))
                qWarning("écran introuvable : %s", qPrintable(nom));
            return ecran;
        }
    };

private slots:
    void init() { QSettings().remove(QStringLiteral("Fenetres")); }

    void chaqueEcranSeSouvient_data()
    {
        QTest::addColumn<int>("entree");
        QTest::addColumn<QString>("nom");
        QTest::newRow("paramètres") << 1 << QStringLiteral("Frm_Params");
        QTest::newRow("suivi") << 3 << QStringLiteral("Frm_SuiviMAJ");
        QTest::newRow("en attente") << 5 << QStringLiteral("Frm_MAJAttente");
        QTest::newRow("journal") << 6 << QStringLiteral("Frm_ObsEvt");
        QTest::newRow("utilisateurs") << 7 << QStringLiteral("Frm_LstUsers");
        QTest::newRow("téléchargements") << 8 << QStringLiteral("Frm_MAJDispo");
    }
    void chaqueEcranSeSouvient()
    {
        QFETCH(int, entree);
        QFETCH(QString, nom);
        Banc banc;
        QWidget* ecran = banc.ouvrir(entree, nom);
        QVERIFY(ecran);
        QVERIFY(QTest::qWaitForWindowExposed(ecran));
        const QRect voulue(zoneVisible().topLeft() + QPoint(12, 9),
                           ecran->minimumSizeHint().expandedTo(QSize(480, 300)) + QSize(17, 11));
        QVERIFY(zoneVisible().contains(voulue));
        QVERIFY(ecran->size() != voulue.size());
        ecran->resize(voulue.size());
        ecran->move(voulue.topLeft());
        QPointer<QWidget> ferme(ecran);
        QTest::mouseClick(ecran->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_VERIFY(!ferme);

        ecran = banc.ouvrir(entree, nom);
        QVERIFY(ecran);
        QCOMPARE(ecran->size(), voulue.size());
        QCOMPARE(ecran->pos(), voulue.topLeft());
        ecran->close();

        // On disk, for the next start of the program.
        QSettings reglages;
        reglages.sync();
        QSettings surDisque(reglages.fileName(), QSettings::IniFormat);
        QCOMPARE(surDisque.value(QStringLiteral("Fenetres/") + nom + QStringLiteral("/taille")).toSize(),
                 voulue.size());
    }

    // A place or a size from a larger screen, or a screen gone, is brought within the screen;
    // a dialog of fixed size keeps its size and goes back to its place.
    void toujoursDansLEcran()
    {
        const QRect zone = zoneVisible();
        QSettings reglages;
        reglages.setValue(QStringLiteral("Fenetres/Frm_MAJDispo/taille"), QSize(3000, 2000));
        reglages.setValue(QStringLiteral("Fenetres/Frm_MAJDispo/position"), QPoint(5000, -300));
        reglages.setValue(QStringLiteral("Fenetres/Frm_MAJDispo/ecran"), QGuiApplication::primaryScreen()->name());
        reglages.setValue(QStringLiteral("Fenetres/Frm_LstUsers/taille"), QSize(900, 700));
        reglages.setValue(QStringLiteral("Fenetres/Frm_LstUsers/position"), QPoint(4000, 10));
        reglages.setValue(QStringLiteral("Fenetres/Frm_LstUsers/ecran"), QStringLiteral("écran débranché"));
        {
            Banc banc;
            for (const char* nom : {"Frm_MAJDispo", "Frm_LstUsers"}) {
                QWidget* ecran
                    = banc.ouvrir(QLatin1String(nom) == QLatin1String("Frm_MAJDispo") ? 8 : 7, QLatin1String(nom));
                QVERIFY(ecran);
                QVERIFY(QTest::qWaitForWindowExposed(ecran));
                QVERIFY2(zone.contains(ecran->frameGeometry()),
                         qPrintable(QStringLiteral("%1 : %2,%3 %4x%5 hors de %6x%7")
                                        .arg(QLatin1String(nom))
                                        .arg(ecran->frameGeometry().x())
                                        .arg(ecran->frameGeometry().y())
                                        .arg(ecran->frameGeometry().width())
                                        .arg(ecran->frameGeometry().height())
                                        .arg(zone.width())
                                        .arg(zone.height())));
                ecran->close();
            }
        }

        QDialog fixe;
        fixe.setObjectName(QStringLiteral("Frm_Essai"));
        fixe.setFixedSize(300, 200);
        reglages.setValue(QStringLiteral("Fenetres/Frm_Essai/taille"), QSize(600, 400));
        reglages.setValue(QStringLiteral("Fenetres/Frm_Essai/position"), zone.topLeft() + QPoint(50, 60));
        reglages.setValue(QStringLiteral("Fenetres/Frm_Essai/ecran"), QGuiApplication::primaryScreen()->name());
        SeSouvenirDeLaFenetre(&fixe);
        QCOMPARE(fixe.size(), QSize(300, 200));
        QCOMPARE(fixe.pos(), zone.topLeft() + QPoint(50, 60));
    }
};

QUENTARIS_TEST(TstMemoireFenetres)
#include "tst_MemoireFenetres.moc"
