#include "console/parametres/Frm_Proxy.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableParametres.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/Textes.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QWindow>

namespace {

const QString kPlus254 = QStringLiteral("Cette partie de l'adresse IP ne peut pas être supérieure à 254 !");

Parametres proxyEnregistre(bool actif, bool auth)
{
    Parametres p;
    p.ProxyActifMaj = actif;
    p.AdresseProxyMaj = QStringLiteral("192.168.0.254");
    p.PortProxyMaj = QStringLiteral("3128");
    p.NecessiteAuthProxyMaj = auth;
    p.UtilisateurProxyMaj = QStringLiteral("jean");
    p.MotDePasseProxyMaj = ChiffrementMotDePasse::Chiffrer(QStringLiteral("s3cret"), ChiffrementMotDePasse::Cle());
    return p;
}

} // namespace

class TstFrmProxy : public QObject
{
    Q_OBJECT

    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        QPointer<Frm_Proxy> ecran;

        // `ligne`: the settings row to store first, if any.
        explicit Banc(const Parametres* ligne = nullptr)
        {
            if (ligne) {
                dossier.EcrireParametres();
                TableParametres::MettreAJourProxy(*ligne);
            }
            ecran = new Frm_Proxy;
            ecran->show();
            ecran->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(ecran));
        }
        ~Banc() { delete ecran; }

        template <typename T>
        T* w(const QString& nom) const
        {
            T* widget = ecran->findChild<T*>(nom);
            if (!widget)
                qFatal("widget %s introuvable", qPrintable(nom));
            return widget;
        }
        QLineEdit* ip(int i) const { return w<QLineEdit>(QStringLiteral("Txt_IP_%1").arg(i)); }
        QCheckBox* actif() const { return w<QCheckBox>(QStringLiteral("Cac_ActifProxy")); }
        QCheckBox* auth() const { return w<QCheckBox>(QStringLiteral("Cac_NecessiteAuth")); }
        QStringList parties() const
        {
            QStringList p;
            for (int i = 0; i < 4; ++i)
                p.append(ip(i)->text());
            return p;
        }
        void activer() const { QTest::mouseClick(actif(), Qt::LeftButton, {}, QPoint(5, actif()->height() / 2)); }
    };

private slots:
    // Paste and drop pass the key rules by: the boxes still take digits only.
    void adresseNeRecoitQueDesChiffresMemeCollee()
    {
        Banc banc;
        banc.activer();
        QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
        banc.ip(0)->paste();
        QCOMPARE(banc.ip(0)->text(), QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("1a"));
        banc.ip(1)->paste();
        QCOMPARE(banc.ip(1)->text(), QString());
        QMimeData donnees;
        donnees.setText(QStringLiteral("1.2"));
        QDropEvent depot(QPointF(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(banc.ip(2), &depot);
        QCOMPARE(banc.ip(2)->text(), QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("10"));
        banc.ip(3)->paste();
        QCOMPARE(banc.ip(3)->text(), QStringLiteral("10"));
    }

    // A row that cannot be written is told, and the screen stays open with what was typed.
    void enregistrementImpossibleGardeLEcranOuvert()
    {
        const Parametres ligne = proxyEnregistre(false, false);
        Banc banc(&ligne);
        banc.activer();
        QTest::keyClicks(banc.ip(0), QStringLiteral("10"));
        for (int i = 1; i < 4; ++i)
            banc.ip(i)->setText(QStringLiteral("1"));
        banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->setText(QStringLiteral("8080"));
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = ON")));
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = OFF")));
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Les paramètres du proxy n'ont pas pu être "
                                            "enregistrés dans la base de données interne.")});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QVERIFY(banc.ecran && banc.ecran->isVisible());
        QCOMPARE(banc.ip(0)->text(), QStringLiteral("10"));
        QVERIFY(!TableParametres::Lire().ProxyActifMaj);
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_VERIFY(banc.ecran.isNull());
        QVERIFY(TableParametres::Lire().ProxyActifMaj);
    }

    void ouvertureVideSansLigne()
    {
        Banc banc;
        QCOMPARE(banc.ecran->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QVERIFY(!banc.actif()->isChecked());
        for (int i = 0; i < 4; ++i)
            QVERIFY(!banc.ip(i)->isEnabled());
        QVERIFY(!banc.w<QGroupBox>(QStringLiteral("Cdr_Proxy"))->isEnabled());
        banc.activer();
        QVERIFY(banc.actif()->isChecked());
        for (int i = 0; i < 4; ++i)
            QVERIFY(banc.ip(i)->isEnabled());
        QVERIFY(banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->isEnabled());
        QVERIFY(banc.auth()->isEnabled());
        QVERIFY(!banc.w<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"))->isEnabled());
        QVERIFY(!banc.w<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"))->isEnabled());
        QTest::mouseClick(banc.auth(), Qt::LeftButton, {}, QPoint(5, banc.auth()->height() / 2));
        QVERIFY(banc.w<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"))->isEnabled());
        QVERIFY(banc.w<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"))->isEnabled());
    }

    void chargementDUnProxyActif()
    {
        const Parametres p = proxyEnregistre(true, true);
        Banc banc(&p);
        QCOMPARE(banc.parties(), Textes({"192", "168", "0", "254"}));
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->text(), QStringLiteral("3128"));
        QVERIFY(banc.auth()->isChecked());
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"))->text(), QStringLiteral("jean"));
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"))->text(), QStringLiteral("s3cret"));
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"))->echoMode(), QLineEdit::Password);
        QVERIFY(banc.w<QLineEdit>(QStringLiteral("Txt_MotDePasseProxy"))->isEnabled());
        // Filling the boxes never moved the focus.
        QVERIFY(!banc.ip(1)->hasFocus() && !banc.ip(2)->hasFocus() && !banc.ip(3)->hasFocus());
    }

    void proxyInactifChargeVide()
    {
        const Parametres p = proxyEnregistre(false, true);
        Banc banc(&p);
        QVERIFY(!banc.actif()->isChecked());
        QCOMPARE(banc.parties(), Textes({"", "", "", ""}));
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->text(), QString());
        QCOMPARE(banc.w<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"))->text(), QString());
        QVERIFY(!banc.auth()->isChecked());
    }

    void boitesDAdresseAuClavier()
    {
        Banc banc;
        banc.activer();
        banc.ip(0)->setFocus();
        // Three digits move on.
        QTest::keyClicks(banc.ip(0), QStringLiteral("192"));
        QTRY_VERIFY(banc.ip(1)->hasFocus());
        QCOMPARE(banc.ip(0)->text(), QStringLiteral("192"));
        // A dot moves on and does not show.
        QTest::keyClicks(banc.ip(1), QStringLiteral("10."));
        QTRY_VERIFY(banc.ip(2)->hasFocus());
        QCOMPARE(banc.ip(1)->text(), QStringLiteral("10"));
        // Letters, blanks and commas are refused.
        QTest::keyClicks(banc.ip(2), QStringLiteral("a ,x-"));
        QCOMPARE(banc.ip(2)->text(), QString());
        // Backspace in an empty box goes back, and erases nothing there.
        QTest::keyClick(banc.ip(2), Qt::Key_Backspace);
        QTRY_VERIFY(banc.ip(1)->hasFocus());
        QCOMPARE(banc.ip(1)->text(), QStringLiteral("10"));
        // Tab from an empty box fills it with 0.
        banc.ip(2)->setFocus();
        QTest::keyClick(banc.ip(2), Qt::Key_Tab);
        QCOMPARE(banc.ip(2)->text(), QStringLiteral("0"));
        QTRY_VERIFY(banc.ip(3)->hasFocus());
        // The last box takes no dot and does not move on by itself.
        QTest::keyClicks(banc.ip(3), QStringLiteral("25.4"));
        QCOMPARE(banc.ip(3)->text(), QStringLiteral("254"));
        QVERIFY(banc.ip(3)->hasFocus());
        QCOMPARE(banc.ecran->AdresseSaisie(), QStringLiteral("192.10.0.254"));
        QVERIFY(banc.messages.affiches.isEmpty());
    }

    void partieSuperieureA254Refusee()
    {
        Banc banc;
        banc.activer();
        banc.ip(0)->setFocus();
        QTest::keyClicks(banc.ip(0), QStringLiteral("255"));
        QTRY_COMPARE(banc.messages.Textes(), QStringList{kPlus254});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().titre, QStringLiteral("Message QUENTARIS"));
        QTRY_VERIFY(banc.ip(0)->hasFocus());
        QCOMPARE(banc.ip(0)->selectedText(), QStringLiteral("255"));
        // Typing over the selection: 254 is accepted and the focus moves on.
        QTest::keyClicks(banc.ip(0), QStringLiteral("254"));
        QTRY_VERIFY(banc.ip(1)->hasFocus());
        QTest::qWait(0);
        QCOMPARE(banc.messages.affiches.size(), 1);
        // The last box is checked when it is left too.
        banc.ip(3)->setFocus();
        QTest::keyClicks(banc.ip(3), QStringLiteral("255"));
        banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->setFocus();
        QTRY_COMPARE(banc.messages.affiches.size(), 2);
        QTRY_VERIFY(banc.ip(3)->hasFocus());
        // OK does not save such an address: the person is told once and stays in the box.
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_COMPARE(banc.messages.affiches.size(), 3);
        QVERIFY(banc.ecran && banc.ecran->isVisible());
        QTRY_VERIFY(banc.ip(3)->hasFocus());
        QVERIFY(!TableParametres::Lire().Existe);
    }

    // An address typed in one go, dots included, fills the four boxes; a part above 255 and a
    // port outside 1 to 65535 cannot be typed, and say why. OK keeps an active proxy without
    // its whole address or a port from being saved, and puts the focus where it is missing.
    void adresseDUnTraitEtPortBorne()
    {
        Banc banc;
        banc.activer();
        auto* port = banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"));
        const auto tapeDansLaFenetre = [](const QString& touches) {
            for (const QChar c : touches)
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        };
        banc.ip(0)->setFocus();
        tapeDansLaFenetre(QStringLiteral("192.168.1.300"));
        QCOMPARE(banc.parties(), Textes({"192", "168", "1", "30"}));
        QTRY_COMPARE(QToolTip::text(), kPlus254);
        QVERIFY(banc.ip(3)->hasFocus());
        QVERIFY(banc.messages.affiches.isEmpty());

        port->setFocus();
        tapeDansLaFenetre(QStringLiteral("99999"));
        QCOMPARE(port->text(), QStringLiteral("9999"));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Le port du serveur proxy est un nombre de 1 à 65535."));
        port->clear();
        tapeDansLaFenetre(QStringLiteral("0a65535"));
        QCOMPARE(port->text(), QStringLiteral("65535"));

        const auto ok = [&banc] {
            QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        };
        banc.ip(2)->clear();
        ok();
        QCOMPARE(
            banc.messages.Dernier(),
            QStringLiteral("L'adresse du serveur proxy est incomplète : ses quatre parties doivent être saisies."));
        QTRY_VERIFY(banc.ip(2)->hasFocus());
        banc.ip(2)->setText(QStringLiteral("1"));
        for (const char* mauvais : {"", "0", "70000"}) {
            port->setText(QLatin1String(mauvais));
            ok();
            QCOMPARE(banc.messages.Dernier(), QStringLiteral("Le port du serveur proxy est un nombre de 1 à 65535."));
            QTRY_VERIFY(port->hasFocus());
        }
        QVERIFY(!TableParametres::Lire().Existe);

        // A whole address pasted into one box fills the four.
        QGuiApplication::clipboard()->setText(QStringLiteral(" 10.20.30.40 "));
        banc.ip(1)->setFocus();
        QTest::keyClick(banc.ip(1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(banc.parties(), Textes({"10", "20", "30", "40"}));
        port->setText(QStringLiteral("3128"));
        ok();
        QTRY_VERIFY(banc.ecran.isNull());
        QCOMPARE(TableParametres::LireLigne1().AdresseProxyMaj, QStringLiteral("10.20.30.40"));
        QCOMPARE(TableParametres::LireLigne1().PortProxyMaj, QStringLiteral("3128"));
    }

    void enregistrementSansLigneDonneLaLigne1()
    {
        Banc banc;
        banc.activer();
        banc.ip(0)->setText(QStringLiteral("10"));
        banc.ip(1)->setText(QStringLiteral("0"));
        banc.ip(2)->setText(QStringLiteral("0"));
        banc.ip(3)->setText(QStringLiteral("1"));
        banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->setText(QStringLiteral("3128"));
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_VERIFY(banc.ecran.isNull());
        const Parametres p = TableParametres::LireLigne1();
        QVERIFY(p.Existe);
        QVERIFY(p.ProxyActifMaj);
        QCOMPARE(p.AdresseProxyMaj, QStringLiteral("10.0.0.1"));
        QCOMPARE(p.PortProxyMaj, QStringLiteral("3128"));
        QVERIFY(!p.NecessiteAuthProxyMaj);
        QCOMPARE(p.UtilisateurProxyMaj, QString());
        QCOMPARE(p.MotDePasseProxyMaj, QString());
    }

    void proxyCoupeGriseToutEtEnregistreCeQuiEstAffiche()
    {
        const Parametres ligne = proxyEnregistre(true, true);
        Banc banc(&ligne);
        banc.activer(); // off
        QVERIFY(!banc.actif()->isChecked());
        for (int i = 0; i < 4; ++i)
            QVERIFY(!banc.ip(i)->isEnabled());
        for (const char* nom : {"Txt_PortProxy", "Txt_UtilisateurProxy", "Txt_MotDePasseProxy"})
            QVERIFY2(!banc.w<QLineEdit>(QLatin1String(nom))->isEnabled(), nom);
        QVERIFY(!banc.auth()->isEnabled());
        QVERIFY(!banc.w<QGroupBox>(QStringLiteral("Cdr_Proxy"))->isEnabled());
        QVERIFY(!banc.w<QWidget>(QStringLiteral("Zon_AdresseIP"))->isEnabled());
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_VERIFY(banc.ecran.isNull());
        const Parametres p = TableParametres::LireLigne1();
        QVERIFY(!p.ProxyActifMaj);
        QCOMPARE(p.AdresseProxyMaj, QStringLiteral("192.168.0.254"));
        QCOMPARE(p.PortProxyMaj, QStringLiteral("3128"));
        QVERIFY(p.NecessiteAuthProxyMaj);
        QCOMPARE(p.UtilisateurProxyMaj, QStringLiteral("jean"));
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(p.MotDePasseProxyMaj, ChiffrementMotDePasse::Cle()),
                 QStringLiteral("s3cret"));
        // The other settings are left alone.
        QCOMPARE(p.HeureVerifMaj, QStringLiteral("22:00"));
    }

    void authentificationCoupeeGardeLesIdentifiants()
    {
        const Parametres ligne = proxyEnregistre(true, true);
        Banc banc(&ligne);
        QTest::mouseClick(banc.auth(), Qt::LeftButton, {}, QPoint(5, banc.auth()->height() / 2));
        QVERIFY(!banc.w<QLineEdit>(QStringLiteral("Txt_UtilisateurProxy"))->isEnabled());
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_VERIFY(banc.ecran.isNull());
        const Parametres p = TableParametres::LireLigne1();
        QVERIFY(p.ProxyActifMaj);
        QVERIFY(!p.NecessiteAuthProxyMaj);
        QCOMPARE(p.UtilisateurProxyMaj, QStringLiteral("jean"));
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(p.MotDePasseProxyMaj, ChiffrementMotDePasse::Cle()),
                 QStringLiteral("s3cret"));
    }

    // From the keyboard: Escape closes without saving; Return is "OK", which saves and closes.
    void clavier()
    {
        const Parametres ligne = proxyEnregistre(true, false);
        {
            Banc banc(&ligne);
            banc.activer();
            QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_Escape);
            QTRY_VERIFY(banc.ecran.isNull());
            QVERIFY(TableParametres::LireLigne1().ProxyActifMaj);
        }
        Banc banc(&ligne);
        banc.activer();
        banc.w<QLineEdit>(QStringLiteral("Txt_PortProxy"))->setFocus();
        QTest::keyClick(banc.ecran->windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(banc.ecran.isNull());
        QVERIFY(!TableParametres::LireLigne1().ProxyActifMaj);
    }

    void fermerNEnregistreRien()
    {
        const Parametres ligne = proxyEnregistre(true, false);
        Banc banc(&ligne);
        banc.activer();
        QTest::mouseClick(banc.w<QPushButton>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_VERIFY(banc.ecran.isNull());
        QVERIFY(TableParametres::LireLigne1().ProxyActifMaj);
    }
};

QUENTARIS_TEST(TstFrmProxy)
#include "tst_Frm_Proxy.moc"
