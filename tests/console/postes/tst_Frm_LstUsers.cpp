#include "console/AccesServeurLocal.h"
#include "console/postes/Frm_LstUsers.h"
#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/Textes.h"
#include "workstations/ServeurPostes.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <memory>

namespace {

const QString kPlusConnectee = QStringLiteral("Cette session n'est plus connectée au serveur de mise à jour. La liste "
                                              "des utilisateurs a été actualisée.");

} // namespace

class TstFrmLstUsers : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        Frm_Reseau reseau;
        ServeurPostes postes{reseau.Etat_()};
        AccesServeurLocal acces{reseau, &postes};
        std::vector<std::unique_ptr<QTcpSocket>> stations;
        QPointer<Frm_LstUsers> ecran;
        Banc()
        {
            QString erreur;
            if (!postes.Ecouter(0, 0, &erreur))
                qFatal("%s", qPrintable(erreur));
        }
        ~Banc() { delete ecran; }
        QTcpSocket* connecter()
        {
            stations.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket* s = stations.back().get();
            const int avant = postes.PostesConnectes();
            s->connectToHost(QHostAddress::LocalHost, postes.PortControle());
            if (!QTest::qWaitFor([&] { return postes.PostesConnectes() == avant + 1; }))
                qFatal("connexion refusée");
            return s;
        }
        void annoncer(QTcpSocket* s, const char* utilisateur)
        {
            s->write(QByteArray("NOMUSR#") + utilisateur);
            const QString attendu = QLatin1String(utilisateur) + QLatin1Char('|');
            if (!QTest::qWaitFor([&] {
                    for (const auto& session : postes.Sessions())
                        if (session.Tag.startsWith(attendu))
                            return true;
                    return false;
                }))
                qFatal("annonce perdue");
        }
        void ouvrir()
        {
            ecran = new Frm_LstUsers(acces);
            ecran->show();
        }
        QTreeWidget* liste() const { return ecran->findChild<QTreeWidget*>(QStringLiteral("Lst_Users")); }
        QPushButton* bouton(const char* nom) const { return ecran->findChild<QPushButton*>(QLatin1String(nom)); }
        QStringList ligne(int i) const
        {
            QStringList t;
            for (int c = 1; c <= 4; ++c)
                t.append(liste()->topLevelItem(i)->text(c));
            return t;
        }
        void choisir(int i) const
        {
            const QRect zone = liste()->visualItemRect(liste()->topLevelItem(i));
            QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {}, zone.center());
        }
    };

private slots:
    void cleanup() { Horloge::Reinitialiser(); }

    void sansSessionToutEstGrise()
    {
        Banc banc;
        banc.ouvrir();
        QCOMPARE(banc.ecran->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(banc.liste()->topLevelItemCount(), 0);
        QVERIFY(!banc.liste()->isEnabled());
        QVERIFY(!banc.bouton("Cmd_CasserSession")->isEnabled());
        QCOMPARE(banc.bouton("Cmd_CasserSession")->text(), QStringLiteral("&Fermer la session"));
        // A later refresh that finds sessions enables both, and the window keeps its size.
        const auto places = [&banc] {
            QList<QRect> r{banc.ecran->geometry()};
            for (const char* nom : {"Lst_Users", "Cmd_CasserSession", "Cmd_Actualiser", "Cmd_Fermer"})
                r.append(banc.ecran->findChild<QWidget*>(QLatin1String(nom))->geometry());
            return r;
        };
        const QList<QRect> avant = places();
        banc.connecter();
        QTest::mouseClick(banc.bouton("Cmd_Actualiser"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(places(), avant);
        QCOMPARE(banc.liste()->topLevelItemCount(), 1);
        QVERIFY(banc.liste()->isEnabled());
        QVERIFY(banc.bouton("Cmd_CasserSession")->isEnabled());
        QVERIFY(banc.bouton("Cmd_Actualiser")->isVisible());
        QVERIFY(!banc.ecran->findChild<QLabel*>(QStringLiteral("Etq_Charge"))->isVisible());
    }

    void sessionsAnnonceesOuNon()
    {
        Horloge::Regler(QDateTime(QDate(2011, 3, 5), QTime(14, 5, 9)));
        Banc banc;
        banc.connecter();
        QTcpSocket* dupont = banc.connecter();
        banc.annoncer(dupont, "dupont");
        banc.ouvrir();
        QCOMPARE(banc.liste()->topLevelItemCount(), 2);
        QVERIFY(banc.liste()->isColumnHidden(4));
        QCOMPARE(banc.ligne(0), Textes({"En cours de connexion ...", "127.0.0.1", "", "1"}));
        QCOMPARE(banc.ligne(1).mid(0, 2), Textes({"dupont", "127.0.0.1"}));
        QVERIFY(banc.ligne(1).at(2).startsWith(QStringLiteral("05/03/2011 à 14:05:")));
        QCOMPARE(banc.ligne(1).at(3), QStringLiteral("2"));
    }

    void fermetureDUneSession()
    {
        Banc banc;
        QTcpSocket* autre = banc.connecter();
        QTcpSocket* dupont = banc.connecter();
        banc.annoncer(dupont, "dupont");
        banc.ouvrir();
        // The list opens on its first row; with nothing selected, nothing is closed.
        QVERIFY(banc.liste()->topLevelItem(0)->isSelected());
        banc.liste()->clearSelection();
        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        QVERIFY(banc.messages.affiches.isEmpty());

        banc.choisir(1);
        banc.messages.Repondre(Reponse::Non);
        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        QCOMPARE(banc.postes.PostesConnectes(), 2);
        QVERIFY(banc.liste()->isEnabled());

        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        const QString question = QStringLiteral("Cette action va entrainer la fermeture de la session de l'utilisateur "
                                                "dupont avec le serveur de mise à jour. Voulez-vous vraiment fermer "
                                                "cette session ?");
        QCOMPARE(banc.messages.Textes(), (QStringList{question, question}));
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().boutons, Boutons::OuiNon);
        QCOMPARE(banc.postes.PostesConnectes(), 1);
        QTRY_COMPARE(dupont->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(autre->state(), QAbstractSocket::ConnectedState);
        // The closed session stays shown until the next refresh.
        QCOMPARE(banc.liste()->topLevelItemCount(), 2);
        QVERIFY(banc.liste()->isEnabled());
        // Closing it again, as if it were still there, closes nothing and shows the list as it is.
        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        QCOMPARE(banc.postes.PostesConnectes(), 1);
        QCOMPARE(banc.messages.Dernier(), kPlusConnectee);
        QCOMPARE(banc.liste()->topLevelItemCount(), 1);
        QCOMPARE(banc.ligne(0).first(), QStringLiteral("En cours de connexion ..."));
    }

    // From the keyboard: Alt+F asks to close the selected session, and Return alone does not
    // close it ("Non" is the default button); Escape closes the screen.
    void clavier()
    {
        Banc banc;
        QTcpSocket* dupont = banc.connecter();
        banc.annoncer(dupont, "dupont");
        banc.ouvrir();
        QVERIFY(QTest::qWaitForWindowActive(banc.ecran));
        banc.liste()->setFocus();
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_Space);
        QVERIFY(banc.liste()->currentItem() && banc.liste()->currentItem()->isSelected());
        banc.messages.RepondreAuClavier(Qt::Key_Return);
        // An access key presses its button a moment later, as it shows it pressed.
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_F, Qt::AltModifier);
        QTRY_COMPARE(banc.messages.affiches.size(), 1);
        QCOMPARE(banc.postes.PostesConnectes(), 1);
        QCOMPARE(dupont->state(), QAbstractSocket::ConnectedState);
        // "&Oui" is there all the same, by its own key.
        QVERIFY(banc.liste()->isEnabled());
        banc.messages.RepondreAuClavier(Qt::Key_O);
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_F, Qt::AltModifier);
        QTRY_COMPARE(banc.postes.PostesConnectes(), 0);
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!banc.ecran);
    }

    // Numbers start again at 1 once every workstation has left: a row shown before names
    // a connection that is now another workstation's.
    void numeroReutiliseParUnAutrePoste()
    {
        Banc banc;
        QTcpSocket* dupont = banc.connecter();
        banc.annoncer(dupont, "dupont");
        banc.ouvrir();
        QCOMPARE(banc.ligne(0).first(), QStringLiteral("dupont"));
        QCOMPARE(banc.ligne(0).at(3), QStringLiteral("1"));
        dupont->disconnectFromHost();
        QTRY_COMPARE(banc.postes.PostesConnectes(), 0);
        QTcpSocket* martin = banc.connecter();
        banc.annoncer(martin, "martin");
        QCOMPARE(banc.postes.Sessions().first().Index, 1);

        banc.choisir(0);
        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        QCOMPARE(banc.messages.Textes().size(), 2);
        QVERIFY(banc.messages.Textes().first().contains(QStringLiteral("l'utilisateur dupont avec")));
        QCOMPARE(banc.messages.Dernier(), kPlusConnectee);
        QCOMPARE(banc.postes.PostesConnectes(), 1);
        QTest::qWait(50);
        QCOMPARE(martin->state(), QAbstractSocket::ConnectedState);
        // The list now shows who is connected.
        QCOMPARE(banc.liste()->topLevelItemCount(), 1);
        QCOMPARE(banc.ligne(0).first(), QStringLiteral("martin"));
        QVERIFY(banc.liste()->isEnabled());

        // The same workstation still announced as before is closed as asked.
        banc.choisir(0);
        QTest::mouseClick(banc.bouton("Cmd_CasserSession"), Qt::LeftButton);
        QCOMPARE(banc.postes.PostesConnectes(), 0);
        QTRY_COMPARE(martin->state(), QAbstractSocket::UnconnectedState);
    }
};

QUENTARIS_TEST(TstFrmLstUsers)
#include "tst_Frm_LstUsers.moc"
