#include "console/AccesServeurLocal.h"
#include "console/menu/Frm_Telemaintenance.h"
#include "core/Frm_Reseau.h"
#include "platform/bureau/Bureau.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QTest>

class TstFrmTelemaintenance : public QObject
{
    Q_OBJECT

    QList<QUrl> m_ouverts;

private slots:
    void init()
    {
        m_ouverts.clear();
        Bureau::RemplacerOuverture([this](const QUrl& url) {
            m_ouverts.append(url);
            return true;
        });
    }
    void cleanup()
    {
        Bureau::RemplacerOuverture([](const QUrl& url) { return QDesktopServices::openUrl(url); });
    }

    void adresseDeLaPage_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("page");
        QTest::newRow("défaut") << QStringLiteral("http://quentaris.fr")
                                << QStringLiteral("http://quentaris.fr/support");
        QTest::newRow("port") << QStringLiteral("http://127.0.0.1:8080")
                              << QStringLiteral("http://127.0.0.1:8080/support");
        QTest::newRow("chemin") << QStringLiteral("http://maj.quentaris.fr/base")
                                << QStringLiteral("http://maj.quentaris.fr/support");
        QTest::newRow("https") << QStringLiteral("https://quentaris.fr")
                               << QStringLiteral("http://quentaris.fr/support");
    }
    void adresseDeLaPage()
    {
        QFETCH(QString, service);
        QFETCH(QString, page);
        QCOMPARE(Frm_Telemaintenance::AdressePage(service).toString(), page);
    }

    void ouvreLaPageEtSeFerme()
    {
        Frm_Reseau reseau;
        reseau.Etat_().Config.Service = QStringLiteral("http://127.0.0.1:8080/");
        AccesServeurLocal acces{reseau};
        for (int fois = 0; fois < 2; ++fois) {
            QPointer<Frm_Telemaintenance> fenetre = new Frm_Telemaintenance(acces);
            QCOMPARE(fenetre->windowTitle(), QStringLiteral("Connexion Télémaintenance"));
            QCOMPARE(fenetre->findChild<QLabel*>(QStringLiteral("Etq_Text"))->text(),
                     QStringLiteral("Ouverture de la page de maintenance en cours ..."));
            fenetre->show();
            QTRY_VERIFY(fenetre.isNull());
        }
        QCOMPARE(m_ouverts.size(), 2);
        QCOMPARE(m_ouverts.at(1), QUrl(QStringLiteral("http://127.0.0.1:8080/support")));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible() || w->objectName() != QLatin1String("Frm_Telemaintenance"));
    }

    // Without a browser the person is told which address could not be opened.
    void sansNavigateur()
    {
        InterlocuteurScripte messages;
        Bureau::RemplacerOuverture([](const QUrl&) { return false; });
        Frm_Reseau reseau;
        reseau.Etat_().Config.Service = QStringLiteral("http://127.0.0.1:8080/");
        AccesServeurLocal acces{reseau};
        QPointer<Frm_Telemaintenance> fenetre = new Frm_Telemaintenance(acces);
        fenetre->show();
        QTRY_VERIFY(fenetre.isNull());
        QTRY_COMPARE(
            messages.Textes(),
            QStringList{QStringLiteral("Aucune application n'a pu ouvrir l'adresse http://127.0.0.1:8080/support.")});
        QCOMPARE(messages.affiches.first().icone, Icone::Exclamation);
    }
};

QUENTARIS_TEST(TstFrmTelemaintenance)
#include "tst_Frm_Telemaintenance.moc"
