#include "ServiceSimule.h"
#include "console/AccesServeurLocal.h"
#include "console/parametres/ChoixDossier.h"
#include "console/parametres/Frm_Params.h"
#include "console/parametres/Frm_Proxy.h"
#include "console/parametres/Frm_TransfertMAJ.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/Frm_Reseau.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "core/TableResponsables.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <memory>

namespace {

const QString kJour = QStringLiteral("Vous devez sélectionner au moins un jour dans la semaine pour vérifier les mises "
                                     "à jour.");
const QString kHeure = QStringLiteral("Vous devez saisir une heure à laquelle les mises à jour seront vérifiées.");
const QString kConnexion = QStringLiteral("Les informations de connexion sont incorrects ou n'ont pas été "
                                          "renseignées !");
const QString kEmplacement = QStringLiteral("L'emplacement des mises à jour que vous avez saisi est incorrect !");
const QString kSaisir = QStringLiteral("Vous devez saisir votre identifiant et votre mot de passe avant de lancer la "
                                       "vérification de ceux-ci !");
const QString kDeplacer = QStringLiteral("L'emplacement des mises à jour a été modifié, les mises à jours existantes "
                                         "vont être déplacées vers le nouveau dossier.\r\nVoulez-vous continuer ?");
const QString kNonEnregistre
    = QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans la base de données interne.");
const QString kResponsableVide = QStringLiteral("Vous devez saisir le nom du responsable des mises à jour.");
QString heureIncorrecte(const char* heure)
{
    return QStringLiteral("L'heure de vérification \"") + QLatin1String(heure)
        + QStringLiteral("\" est incorrecte : elle doit être de la forme hh:mm, de 00:00 à 23:59.");
}
const QString kEnregistrer = QStringLiteral("Voulez-vous enregistrer les modifications apportées aux paramètres ?");
const QString kPasDeProxy = QStringLiteral(
    "L'application n'a détecté aucun proxy configuré sur ce poste ! Si vous activez la gestion du serveur proxy et que "
    "vous n'en disposez pas, l'option de mise à jour risque de ne pas fonctionner !");

// A variable of the environment set for one test.
class Variable
{
public:
    Variable(const char* nom, const QByteArray& valeur)
        : m_nom(nom), m_avait(qEnvironmentVariableIsSet(nom)), m_ancienne(qgetenv(nom))
    {
        if (valeur.isNull())
            qunsetenv(nom);
        else
            qputenv(nom, valeur);
    }
    ~Variable()
    {
        if (m_avait)
            qputenv(m_nom, m_ancienne);
        else
            qunsetenv(m_nom);
    }

private:
    const char* m_nom;
    bool m_avait;
    QByteArray m_ancienne;
};

} // namespace

class TstFrmParams : public QObject
{
    Q_OBJECT

    // The screen opened over a test program folder; the service answers `reponse`, a moment later.
    struct Banc
    {
        DossierTest dossier;
        InterlocuteurScripte messages;
        Frm_Reseau reseau;
        std::unique_ptr<AccesServeurLocal> acces = std::make_unique<AccesServeurLocal>(reseau);
        QPointer<Frm_Params> ecran;
        QString reponse = QStringLiteral("OK");
        QStringList demandes;
        // How many messages had been shown when the service was asked.
        int messagesAvantDemande = -1;

        explicit Banc(bool avecParametres)
        {
            if (avecParametres)
                dossier.EcrireParametres();
            ecran = new Frm_Params(*acces);
            ecran->DefinirVerification([this](const QString& utilisateur, const QString& motDePasse, QObject* contexte,
                                              std::function<void(const QString&)> fin) {
                demandes.append(utilisateur + QLatin1Char('/') + motDePasse);
                messagesAvantDemande = int(messages.affiches.size());
                QTimer::singleShot(0, contexte, [this, fin] { fin(reponse); });
            });
            ecran->ChargerParametres();
            ecran->show();
            ecran->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(ecran));
        }
        ~Banc() { delete ecran; }

        template <typename T>
        T* w(const char* nom) const
        {
            T* widget = ecran->findChild<T*>(QLatin1String(nom));
            if (!widget)
                qFatal("widget %s introuvable", nom);
            return widget;
        }
        QLineEdit* heure() const { return w<QLineEdit>("Txt_Heure"); }
        QCheckBox* jour(const char* nom) const { return w<QCheckBox>(nom); }
        void cliquer(const char* nom) const { QTest::mouseClick(w<QPushButton>(nom), Qt::LeftButton); }
        // Types into an empty time box.
        QString taper(const QString& touches) const
        {
            heure()->clear();
            heure()->setFocus();
            QTest::keyClicks(heure(), touches);
            return heure()->text();
        }
        // Presses OK and waits for the account check to end.
        void valider() const
        {
            cliquer("Cmd_OK");
            QTRY_VERIFY(!ecran || !ecran->VerificationEnCours());
        }
        // Types, then leaves the box for the folder box.
        QString taperPuisQuitter(const QString& touches) const
        {
            taper(touches);
            w<QLineEdit>("Txt_Emplacement")->setFocus();
            return heure()->text();
        }
    };

private slots:
    void init() { ChoixDossier::Remplacer({}); }

    void premierDemarrageValeursParDefaut()
    {
        Banc banc(false);
        QCOMPARE(banc.ecran->windowTitle(), QStringLiteral("Serveur de mises à jour QUENTARIS"));
        QCOMPARE(banc.w<QLineEdit>("Txt_Utilisateur")->text(), QStringLiteral("61742"));
        QCOMPARE(banc.w<QLineEdit>("Txt_Pass")->text(), QStringLiteral("TR918M"));
        QCOMPARE(banc.w<QLineEdit>("Txt_Pass")->echoMode(), QLineEdit::Password);
        QCOMPARE(banc.heure()->text(), QStringLiteral("22:00"));
        QCOMPARE(banc.w<QLineEdit>("Txt_Emplacement")->text(), QString());
        QVERIFY(banc.jour("Cac_Lundi")->isChecked());
        for (const char* nom : {"Cac_Mardi", "Cac_Mercredi", "Cac_Jeudi", "Cac_Vendredi", "Cac_Samedi", "Cac_Dimanche"})
            QVERIFY(!banc.jour(nom)->isChecked());
        for (const char* nom : {"Etq_VerifOK", "Etq_VerifPasOK", "Etq_CompteBloque", "Etq_ErreurConnexion"})
            QVERIFY(banc.w<QLabel>(nom)->isHidden());
        QVERIFY(!banc.w<QLineEdit>("Txt_Responsable")->isEnabled());
        QVERIFY(!banc.w<QPushButton>("Cmd_OkResp")->isEnabled());
        // Persons already recorded show even before the first settings are saved.
        TableResponsables::Ajouter(QStringLiteral("DUPONT"));
        banc.ecran->ChargerParametres();
        QCOMPARE(banc.w<QTreeWidget>("Lst_Responsables")->topLevelItemCount(), 1);
    }

    void chargementDepuisLaLigne()
    {
        Banc banc(true);
        QCOMPARE(banc.w<QLineEdit>("Txt_Pass")->text(), QStringLiteral("TR918M"));
        QCOMPARE(banc.w<QLineEdit>("Txt_Emplacement")->text(), banc.dossier.DossierMaj());
        QVERIFY(banc.jour("Cac_Lundi")->isChecked());
        QVERIFY(!banc.jour("Cac_Mardi")->isChecked());
    }

    void heureSaisieTouchePourTouche()
    {
        Banc banc(true);
        QCOMPARE(banc.taper(QStringLiteral("2230")), QStringLiteral("22:30"));
        QCOMPARE(banc.taper(QStringLiteral("3")), QString());
        QCOMPARE(banc.taper(QStringLiteral("24")), QStringLiteral("2"));
        QCOMPARE(banc.taper(QStringLiteral("226")), QStringLiteral("22:"));
        QCOMPARE(banc.taper(QStringLiteral("2265")), QStringLiteral("22:5"));
        QCOMPARE(banc.taper(QStringLiteral("1959")), QStringLiteral("19:59"));
        QCOMPARE(banc.taper(QStringLiteral(":0:9:")), QStringLiteral("09:"));
        QCOMPARE(banc.taper(QStringLiteral("0a9 ")), QStringLiteral("09"));
        QCOMPARE(banc.taper(QStringLiteral("09:60")), QStringLiteral("09:0"));

        // A complete time takes nothing more; Backspace empties it at once.
        QCOMPARE(banc.taper(QStringLiteral("2200")), QStringLiteral("22:00"));
        QTest::keyClick(banc.heure(), Qt::Key_1);
        QTest::keyClick(banc.heure(), Qt::Key_Colon);
        QCOMPARE(banc.heure()->text(), QStringLiteral("22:00"));
        QTest::keyClick(banc.heure(), Qt::Key_Backspace);
        QCOMPARE(banc.heure()->text(), QString());
        // Shorter texts lose one character.
        banc.taper(QStringLiteral("223"));
        QTest::keyClick(banc.heure(), Qt::Key_Backspace);
        QCOMPARE(banc.heure()->text(), QStringLiteral("22:"));

        // Every refused key says why beside the box, which keeps the focus: "25:61" cannot
        // become a time, and what it gives is told at each step.
        const auto refus = [&banc](const char* touche, const char* texte, const QString& raison) {
            QToolTip::hideText();
            QTest::keyClicks(banc.heure(), QLatin1String(touche));
            QCOMPARE(banc.heure()->text(), QLatin1String(texte));
            if (raison.isEmpty())
                QTRY_VERIFY(!QToolTip::isVisible());
            else
                QTRY_COMPARE(QToolTip::text(), raison);
            QVERIFY(banc.heure()->hasFocus());
        };
        banc.taper(QString());
        refus("9", "", QStringLiteral("Les heures vont de 00 à 23. Pour 9 h, tapez 09."));
        refus("25", "2", QStringLiteral("Les heures vont de 00 à 23."));
        refus(":", "2", QStringLiteral("Saisissez les deux chiffres de l'heure avant « : » (par exemple 09:30)."));
        refus("16", "21:", QStringLiteral("Les minutes vont de 00 à 59."));
        refus("x", "21:", QStringLiteral("L'heure se saisit en chiffres, sous la forme hh:mm (par exemple 09:30)."));
        refus(":", "21:", QStringLiteral("L'heure ne contient qu'un seul « : »."));
        refus("1", "21:1", QString());
        refus("7", "21:17", QString());
        refus("0", "21:17", QStringLiteral("L'heure est complète : Retour arrière l'efface pour en saisir une autre."));
        // Typing over a selection replaces it.
        banc.heure()->selectAll();
        QTest::keyClicks(banc.heure(), QStringLiteral("0630"));
        QCOMPARE(banc.heure()->text(), QStringLiteral("06:30"));
        // A selection inside the time goes with all that follows it: what stays is always the
        // beginning of a time ("1:300" never shows).
        banc.heure()->setText(QStringLiteral("12:30"));
        banc.heure()->setSelection(1, 1);
        QTest::keyClick(banc.heure(), Qt::Key_0);
        QCOMPARE(banc.heure()->text(), QStringLiteral("10"));
        // Delete is the box's own: the whole time selected, it empties it without a tip. X11
        // gives the key a text of its own, DEL.
        QToolTip::hideText();
        banc.heure()->selectAll();
        QKeyEvent suppr(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
        QApplication::sendEvent(banc.heure(), &suppr);
        QCOMPARE(banc.heure()->text(), QString());
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void heureCompleteeEnQuittantLaBoite()
    {
        Banc banc(true);
        QCOMPARE(banc.taperPuisQuitter(QStringLiteral("09")), QStringLiteral("09:00"));
        QCOMPARE(banc.taperPuisQuitter(QStringLiteral("09:")), QStringLiteral("09:00"));
        QCOMPARE(banc.taperPuisQuitter(QStringLiteral("093")), QStringLiteral("09:30"));
        QCOMPARE(banc.taperPuisQuitter(QStringLiteral("1")), QStringLiteral("1"));
        QCOMPARE(banc.taperPuisQuitter(QStringLiteral("2359")), QStringLiteral("23:59"));
    }

    // Paste (menu or middle button) and drop pass the key rules by; the box still takes only
    // what typing could give, and OK checks the whole time.
    void heureColleeOuDeposeeRefuseeSiIncorrecte()
    {
        Banc banc(true);
        banc.heure()->clear();
        for (const char* texte : {"99:99", "abc", "2:30", "24:00", "12:60"}) {
            QGuiApplication::clipboard()->setText(QLatin1String(texte));
            banc.heure()->paste();
            QVERIFY2(banc.heure()->text().isEmpty(), texte);
        }
        QMimeData donnees;
        donnees.setText(QStringLiteral("99:99"));
        QDropEvent depot(QPointF(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(banc.heure(), &depot);
        QCOMPARE(banc.heure()->text(), QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("06:45"));
        banc.heure()->paste();
        QCOMPARE(banc.heure()->text(), QStringLiteral("06:45"));

        // A time that did not come from typing (a stored one, a beginning left as it is).
        // It is told before the service is asked, and the focus comes back to it, selected.
        for (const char* texte : {"99:99", "1"}) {
            banc.messages.affiches.clear();
            banc.heure()->setText(QLatin1String(texte));
            banc.valider();
            QCOMPARE(banc.messages.Textes(), QStringList{heureIncorrecte(texte)});
            QCOMPARE(banc.messagesAvantDemande, 1);
            QVERIFY(banc.ecran->isVisible());
            QTRY_VERIFY(banc.heure()->hasFocus());
            QCOMPARE(banc.heure()->selectedText(), QLatin1String(texte));
            QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("22:00"));
        }
    }

    // The settings cannot be written: the person is told, nothing is put to use, and the
    // screen stays open with what was typed.
    void baseEnLectureSeuleGardeLEcranOuvert()
    {
        Banc banc(true);
        banc.taper(QStringLiteral("0630"));
        banc.jour("Cac_Mardi")->setChecked(true);
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = ON")));
        banc.cliquer("Cmd_OK");
        QTRY_COMPARE(banc.messages.Textes(), QStringList{kNonEnregistre});
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = OFF")));
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QVERIFY(banc.ecran && banc.ecran->isVisible());
        QCOMPARE(banc.heure()->text(), QStringLiteral("06:30"));
        QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("22:00"));
        QCOMPARE(banc.reseau.Etat_().W_HeureVerif, QString());
        QCOMPARE(banc.reseau.Etat_().Jours, (std::array<bool, 7>{}));
        // Once the database takes writes again, OK saves and closes.
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran.isNull());
        QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("06:30"));
    }

    // On the very first start the proxy screen may be used first: it makes the settings row,
    // which still holds no schedule, folder or account. Fermer then still saves valid settings
    // or keeps the screen open.
    void premierDemarrageParLeProxy()
    {
        Banc banc(false);
        banc.cliquer("Cmd_Proxy");
        Frm_Proxy* proxy = banc.ecran->findChild<Frm_Proxy*>();
        QVERIFY(proxy);
        proxy->findChild<QCheckBox*>(QStringLiteral("Cac_ActifProxy"))->click();
        for (int i = 0; i < 4; ++i)
            proxy->findChild<QLineEdit*>(QStringLiteral("Txt_IP_%1").arg(i))->setText(QStringLiteral("10"));
        proxy->findChild<QLineEdit*>(QStringLiteral("Txt_PortProxy"))->setText(QStringLiteral("3128"));
        QTest::mouseClick(proxy->findChild<QPushButton*>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QTRY_VERIFY(!banc.ecran->findChild<Frm_Proxy*>());
        QVERIFY(TableParametres::Lire().Existe);
        QVERIFY(!TableParametres::Lire().Configures());
        {
            // A restart at this point shows the first-start screen with the maker's defaults again.
            Frm_Params apresRedemarrage(*banc.acces);
            QVERIFY(apresRedemarrage.ChargerParametres());
            const auto texte = [&](const char* nom) {
                return apresRedemarrage.findChild<QLineEdit*>(QLatin1String(nom))->text();
            };
            QCOMPARE(QStringList({texte("Txt_Utilisateur"), texte("Txt_Pass"), texte("Txt_Heure")}),
                     QStringList({QStringLiteral("61742"), QStringLiteral("TR918M"), QStringLiteral("22:00")}));
            QVERIFY(apresRedemarrage.findChild<QCheckBox*>(QStringLiteral("Cac_Lundi"))->isChecked());
        }

        banc.messages.affiches.clear();
        banc.messages.Repondre(Reponse::Non); // to "save the changes?", were it asked
        banc.cliquer("Cmd_Fermer");
        QTRY_COMPARE(banc.messages.Textes(),
                     QStringList{kEmplacement + QStringLiteral("\r\nAucun dossier n'est indiqué.")});
        QVERIFY(banc.ecran && banc.ecran->isVisible());

        banc.w<QLineEdit>("Txt_Emplacement")->setText(banc.dossier.DossierMaj());
        banc.cliquer("Cmd_Fermer");
        QTRY_VERIFY(banc.ecran.isNull());
        const Parametres p = TableParametres::Lire();
        QVERIFY(p.Configures());
        QCOMPARE(p.IdParamMajInt, 1);
        QCOMPARE(p.HeureVerifMaj, QStringLiteral("22:00"));
        QCOMPARE(p.EmplacementMaj, banc.dossier.DossierMaj());
        QCOMPARE(p.UtilisateurMaj, QStringLiteral("61742"));
        QVERIFY(p.ProxyActifMaj);
        QCOMPARE(p.PortProxyMaj, QStringLiteral("3128"));
    }

    void validationTroisMessagesSansVerifierLeDossier()
    {
        Banc banc(false);
        banc.reponse = QStringLiteral("Erreur identification");
        banc.jour("Cac_Lundi")->setChecked(false);
        banc.heure()->clear();
        banc.w<QLineEdit>("Txt_Pass")->setText(QStringLiteral("faux"));
        banc.valider();
        QCOMPARE(banc.messages.Textes(), (QStringList{kJour, kHeure, kConnexion}));
        // What is typed here is told before the service is asked.
        QCOMPARE(banc.messagesAvantDemande, 2);
        for (const auto& m : banc.messages.affiches) {
            QCOMPARE(m.icone, Icone::Exclamation);
            QCOMPARE(m.titre, QStringLiteral("Message QUENTARIS"));
            QCOMPARE(m.boutons, Boutons::Ok);
        }
        QCOMPARE(banc.demandes, QStringList{QStringLiteral("61742/faux")});
        QVERIFY(!banc.w<QLabel>("Etq_VerifPasOK")->isHidden());
        QVERIFY(banc.w<QLabel>("Etq_VerifOK")->isHidden());
        // The focus goes back to the first field to correct: the time, before the identifiers.
        QTRY_VERIFY(banc.heure()->hasFocus());
        QVERIFY(banc.ecran->isVisible());
        QVERIFY(!TableParametres::Lire().Existe);

        // With the time given, the wrong identifiers are selected for correction.
        banc.jour("Cac_Lundi")->setChecked(true);
        banc.heure()->setText(QStringLiteral("06:00"));
        banc.valider();
        QTRY_VERIFY(banc.w<QLineEdit>("Txt_Utilisateur")->hasFocus());
        QCOMPARE(banc.w<QLineEdit>("Txt_Utilisateur")->selectedText(), QStringLiteral("61742"));
    }

    void compteVerifieSelonLaReponse_data()
    {
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<QString>("etiquette");
        QTest::newRow("correct") << QStringLiteral("OK") << QStringLiteral("Etq_VerifOK");
        QTest::newRow("désactivé") << QStringLiteral("REFUSE") << QStringLiteral("Etq_CompteBloque");
        QTest::newRow("injoignable") << QString() << QStringLiteral("Etq_ErreurConnexion");
        QTest::newRow("incorrect") << QStringLiteral("Erreur identification") << QStringLiteral("Etq_VerifPasOK");
    }
    void compteVerifieSelonLaReponse()
    {
        QFETCH(QString, reponse);
        QFETCH(QString, etiquette);
        Banc banc(true);
        banc.reponse = reponse;
        // The result label takes room kept for it: nothing below it moves when it shows.
        const auto places = [&banc] {
            QList<QRect> r;
            for (const char* nom : {"Frm_Identification", "Frm_Resp", "Lst_Responsables", "Cmd_Proxy", "Cmd_OK"}) {
                const QWidget* w = banc.w<QWidget>(nom);
                r.append(QRect(w->mapTo(banc.ecran, QPoint(0, 0)), w->size()));
            }
            return r;
        };
        const QList<QRect> avant = places();
        banc.cliquer("Cmd_Verif");
        // While the service is asked, the panel covers the screen and every input is disabled.
        QVERIFY(banc.ecran->VerificationEnCours());
        QVERIFY(banc.w<QWidget>("pic_Control")->isVisible());
        QVERIFY(!banc.w<QPushButton>("Cmd_OK")->isEnabled());
        QVERIFY(!banc.w<QLineEdit>("Txt_Heure")->isEnabled());
        QVERIFY(!banc.jour("Cac_Dimanche")->isEnabled());
        QTRY_VERIFY(!banc.ecran->VerificationEnCours());
        QVERIFY(!banc.w<QWidget>("pic_Control")->isVisible());
        QVERIFY(banc.w<QPushButton>("Cmd_OK")->isEnabled());
        QVERIFY(banc.jour("Cac_Dimanche")->isEnabled());
        for (const char* nom : {"Etq_VerifOK", "Etq_VerifPasOK", "Etq_CompteBloque", "Etq_ErreurConnexion"})
            QCOMPARE(banc.w<QLabel>(nom)->isVisible(), etiquette == QLatin1String(nom));
        QVERIFY(banc.messages.affiches.isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(places(), avant);
    }

    // The screen asks the maker's service itself unless told otherwise.
    void compteVerifieAupresDuService()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        InterlocuteurScripte messages;
        ServiceSimule service(dossier.Chemin());
        QVERIFY(service.Ecouter());
        service.Utilisateur = QStringLiteral("61742");
        service.MotDePasse = QStringLiteral("TR918M");
        Frm_Reseau reseau;
        reseau.Etat_().Config.Service = service.Adresse();
        AccesServeurLocal acces{reseau};
        Frm_Params ecran(acces);
        ecran.ChargerParametres();
        auto* verifier = ecran.findChild<QPushButton*>(QStringLiteral("Cmd_Verif"));
        QTest::mouseClick(verifier, Qt::LeftButton);
        QTRY_VERIFY(ecran.findChild<QLabel*>(QStringLiteral("Etq_VerifOK"))->isVisibleTo(&ecran));
        QCOMPARE(service.Chemins(), QStringList{QStringLiteral("/suivimaj/verifident.php")});
        service.CompteRefuse = true;
        QTest::mouseClick(verifier, Qt::LeftButton);
        QTRY_VERIFY(ecran.findChild<QLabel*>(QStringLiteral("Etq_CompteBloque"))->isVisibleTo(&ecran));
        QVERIFY(!ecran.findChild<QLabel*>(QStringLiteral("Etq_VerifOK"))->isVisibleTo(&ecran));
        QVERIFY(messages.affiches.isEmpty());
    }

    void verificationSansIdentifiantNeDemandeRien()
    {
        Banc banc(true);
        banc.w<QLineEdit>("Txt_Pass")->clear();
        banc.cliquer("Cmd_Verif");
        QCOMPARE(banc.messages.Textes(), QStringList{kSaisir});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Aucune);
        QCOMPARE(banc.messages.affiches.first().titre, QStringLiteral("Serveur MAJ QUENTARIS"));
        QVERIFY(banc.demandes.isEmpty());
        QVERIFY(!banc.ecran->VerificationEnCours());
    }

    void serviceInjoignableRefuseLEnregistrement()
    {
        Banc banc(true);
        banc.reponse = QString();
        banc.heure()->setText(QStringLiteral("06:15"));
        banc.cliquer("Cmd_OK");
        QTRY_COMPARE(banc.messages.Textes(), QStringList{kConnexion});
        QVERIFY(banc.w<QLabel>("Etq_ErreurConnexion")->isVisible());
        QVERIFY(banc.ecran->isVisible());
        QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("22:00"));
    }

    // A folder refused says why after the message, and the focus goes back to it.
    void dossierRefuseAvecSaRaison_data()
    {
        QTest::addColumn<QString>("chemin"); // "@" stands for the program folder
        QTest::addColumn<QString>("raison");
        QTest::newRow("vide") << QString() << QStringLiteral("Aucun dossier n'est indiqué.");
        QTest::newRow("absent") << QStringLiteral("@/absent")
                                << QStringLiteral("Le dossier « @/absent » n'existe pas.");
        QTest::newRow("fichier") << QStringLiteral("@/configserv.ini")
                                 << QStringLiteral("« @/configserv.ini » est un fichier, pas un dossier.");
        QTest::newRow("périphérique") << QStringLiteral("/dev/null")
                                      << QStringLiteral("« /dev/null » est un périphérique, pas un dossier.");
        QTest::newRow("sous un fichier")
            << QStringLiteral("@/configserv.ini/maj")
            << QStringLiteral("Le chemin « @/configserv.ini/maj » passe par un fichier qui n'est pas un dossier.");
        QTest::newRow("relatif") << QStringLiteral("maj")
                                 << QStringLiteral("Le chemin « maj » doit partir de la racine (commencer par /).");
    }
    void dossierRefuseAvecSaRaison()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, raison);
        Banc banc(true);
        const QString dossier = banc.dossier.Chemin();
        chemin.replace(QLatin1Char('@'), dossier);
        raison.replace(QLatin1Char('@'), dossier);
        banc.w<QLineEdit>("Txt_Emplacement")->setText(chemin);
        banc.valider();
        QCOMPARE(banc.messages.Textes(), QStringList{kEmplacement + QStringLiteral("\r\n") + raison});
        QVERIFY(banc.ecran->isVisible());
        QTRY_VERIFY(banc.w<QLineEdit>("Txt_Emplacement")->hasFocus());
        QCOMPARE(TableParametres::Lire().EmplacementMaj, banc.dossier.DossierMaj());
    }

    void enregistrementSansLigne()
    {
        Banc banc(false);
        banc.jour("Cac_Mercredi")->setChecked(true);
        banc.jour("Cac_Dimanche")->setChecked(true);
        banc.taper(QStringLiteral("0715"));
        const QString dossier = banc.dossier.DossierMaj() + QStringLiteral("/l'été");
        QVERIFY(QDir().mkpath(dossier));
        banc.w<QLineEdit>("Txt_Emplacement")->setText(dossier);
        banc.w<QLineEdit>("Txt_Utilisateur")->setText(QStringLiteral("compte'1"));
        banc.w<QLineEdit>("Txt_Pass")->setText(QStringLiteral("secret"));
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran.isNull());
        QVERIFY(banc.messages.affiches.isEmpty()); // a first folder is not a move
        const Parametres p = TableParametres::LireLigne1();
        QVERIFY(p.Existe);
        QCOMPARE(p.IdParamMajInt, 1);
        QCOMPARE(p.Jours, (std::array<bool, 7>{true, false, true, false, false, false, true}));
        QCOMPARE(p.HeureVerifMaj, QStringLiteral("07:15"));
        QCOMPARE(p.EmplacementMaj, dossier);
        QCOMPARE(p.UtilisateurMaj, QStringLiteral("compte'1"));
        QVERIFY(p.MotDePasseMaj != QStringLiteral("secret"));
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(p.MotDePasseMaj, ChiffrementMotDePasse::Cle()),
                 QStringLiteral("secret"));
        const Etat& etat = banc.reseau.Etat_();
        QCOMPARE(etat.W_User, QStringLiteral("compte'1"));
        QCOMPARE(etat.W_Pass, QStringLiteral("secret"));
        QCOMPARE(etat.W_HeureVerif, QStringLiteral("07:15"));
        QCOMPARE(etat.EmplacementMaj, dossier);
    }

    void enregistrementAvecLigne()
    {
        Banc banc(true);
        Etat& etat = banc.reseau.Etat_();
        etat.Jours = {true};
        banc.jour("Cac_Lundi")->setChecked(false);
        banc.jour("Cac_Samedi")->setChecked(true);
        banc.taper(QStringLiteral("0630"));
        banc.cliquer("Cmd_Fermer");
        QTRY_VERIFY(banc.ecran.isNull());
        QCOMPARE(banc.messages.Textes(), QStringList{kEnregistrer});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().boutons, Boutons::OuiNonAnnuler);
        const Parametres p = TableParametres::LireLigne1();
        QCOMPARE(p.Jours, (std::array<bool, 7>{false, false, false, false, false, true, false}));
        QCOMPARE(p.HeureVerifMaj, QStringLiteral("06:30"));
        QCOMPARE(p.EmplacementMaj, banc.dossier.DossierMaj());
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(p.MotDePasseMaj, ChiffrementMotDePasse::Cle()),
                 QStringLiteral("TR918M"));
        QCOMPARE(etat.W_HeureVerif, QStringLiteral("06:30"));
        // The running server checks on the new weekdays at once.
        QCOMPARE(etat.Jours, (std::array<bool, 7>{false, false, false, false, false, true, false}));
    }

    void fermerDemandeSiModifie()
    {
        {
            Banc banc(true);
            banc.taper(QStringLiteral("0545"));
            banc.messages.Repondre(Reponse::Annuler);
            banc.cliquer("Cmd_Fermer");
            QCOMPARE(banc.messages.Textes(), QStringList{kEnregistrer});
            QVERIFY(banc.ecran->isVisible());
            banc.messages.Repondre(Reponse::Non);
            banc.cliquer("Cmd_Fermer");
            QTRY_VERIFY(banc.ecran.isNull());
            QVERIFY(banc.demandes.isEmpty());
            QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("22:00"));
            QCOMPARE(banc.reseau.Etat_().W_HeureVerif, QString());
        }
        // Unchanged: closes without a question.
        Banc banc(true);
        banc.cliquer("Cmd_Fermer");
        QTRY_VERIFY(banc.ecran.isNull());
        QVERIFY(banc.messages.affiches.isEmpty());
    }

    void fermetureParLaCaseRefusee()
    {
        Banc banc(true);
        banc.ecran->close();
        QTest::keyClick(banc.ecran, Qt::Key_Escape);
        QVERIFY(banc.ecran && banc.ecran->isVisible());
    }

    void dossierChangeSansDeplacement()
    {
        Banc banc(true);
        const QString nouveau = banc.dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));
        banc.w<QLineEdit>("Txt_Emplacement")->setText(nouveau);
        banc.messages.Repondre(Reponse::Non);
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran.isNull());
        QCOMPARE(banc.messages.Textes(), QStringList{kDeplacer});
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Question);
        QCOMPARE(banc.messages.affiches.first().boutons, Boutons::OuiNon);
        QCOMPARE(TableParametres::Lire().EmplacementMaj, banc.dossier.DossierMaj());
        QCOMPARE(banc.reseau.Etat_().EmplacementMaj, banc.dossier.DossierMaj());
    }

    void dossierChangeAvecDeplacement()
    {
        Banc banc(true);
        MajDispo maj;
        maj.NumVersionDispo = 120;
        maj.NomFichierMaj = QStringLiteral("maj120.zip");
        maj.DocAssociee = true;
        TableMajDispo::Inserer(maj);
        banc.dossier.EcrireFichier(QStringLiteral("maj/maj120.zip"), "archive");
        banc.dossier.EcrireFichier(QStringLiteral("maj/120.pdf"), "document");
        const QString nouveau = banc.dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));
        banc.w<QLineEdit>("Txt_Emplacement")->setText(nouveau + QLatin1Char('/'));
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran->findChild<Frm_TransfertMAJ*>());
        QVERIFY(banc.ecran->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(banc.ecran.isNull(), 15000);
        QVERIFY(QFile::exists(nouveau + QStringLiteral("/maj120.zip")));
        QVERIFY(QFile::exists(nouveau + QStringLiteral("/120.pdf")));
        QVERIFY(!QFile::exists(banc.dossier.Fichier(QStringLiteral("maj/maj120.zip"))));
        QCOMPARE(TableParametres::Lire().EmplacementMaj, nouveau + QLatin1Char('/'));
        QCOMPARE(banc.reseau.Etat_().EmplacementMaj, nouveau + QLatin1Char('/'));
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
    }

    // A move that fails keeps the old folder saved and the screen open with what was typed.
    void deplacementEchoueGardeLAncienDossier()
    {
        Banc banc(true);
        MajDispo maj;
        maj.NumVersionDispo = 120;
        maj.NomFichierMaj = QStringLiteral("maj120.zip");
        TableMajDispo::Inserer(maj);
        banc.dossier.EcrireFichier(QStringLiteral("maj/maj120.zip"), "archive");
        banc.dossier.EcrireFichier(QStringLiteral("nouveau/maj120.zip"), "autre");
        const QString nouveau = banc.dossier.Fichier(QStringLiteral("nouveau"));
        banc.w<QLineEdit>("Txt_Emplacement")->setText(nouveau);
        banc.taper(QStringLiteral("0630"));
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran->findChild<Frm_TransfertMAJ*>());
        Frm_TransfertMAJ* transfert = banc.ecran->findChild<Frm_TransfertMAJ*>();
        QTRY_VERIFY(transfert->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer"))->isVisible());
        QTest::mouseClick(transfert->findChild<QPushButton*>(QStringLiteral("Cmd_Fermer")), Qt::LeftButton);
        QTRY_VERIFY(!banc.ecran || !banc.ecran->findChild<Frm_TransfertMAJ*>());
        QVERIFY(banc.ecran && banc.ecran->isVisible());
        QCOMPARE(banc.w<QLineEdit>("Txt_Emplacement")->text(), nouveau);
        const Parametres p = TableParametres::Lire();
        QCOMPARE(p.EmplacementMaj, banc.dossier.DossierMaj());
        QCOMPARE(p.HeureVerifMaj, QStringLiteral("22:00"));
        QCOMPARE(banc.reseau.Etat_().EmplacementMaj, QString());
        QVERIFY(QFile::exists(banc.dossier.Fichier(QStringLiteral("maj/maj120.zip"))));
    }

    void ecranDetruitPendantLeDeplacement()
    {
        Banc banc(true);
        banc.reseau.Etat_().FixerVerificationEnCours(true); // the move waits for the check
        const QString nouveau = banc.dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));
        banc.w<QLineEdit>("Txt_Emplacement")->setText(nouveau);
        banc.cliquer("Cmd_OK");
        QTRY_VERIFY(banc.ecran->findChild<Frm_TransfertMAJ*>());
        // Only the program's end takes the screen away; the waiting move ends with the server.
        delete banc.ecran;
        banc.acces.reset();
        banc.reseau.Etat_().FixerVerificationEnCours(false);
        QVERIFY(!banc.reseau.Etat_().InstallationEnCours);
        QCOMPARE(TableParametres::Lire().EmplacementMaj, banc.dossier.DossierMaj());
    }

    void choixDuDossier()
    {
        Banc banc(true);
        QStringList titres;
        QString choix = QStringLiteral("/srv/maj");
        ChoixDossier::Remplacer([&](const QString& titre, const QString&) {
            titres.append(titre);
            return choix;
        });
        banc.cliquer("Cmd_ChoixEmplacement");
        QCOMPARE(banc.w<QLineEdit>("Txt_Emplacement")->text(), QStringLiteral("/srv/maj"));
        choix.clear(); // cancelled
        banc.cliquer("Cmd_ChoixEmplacement");
        QCOMPARE(banc.w<QLineEdit>("Txt_Emplacement")->text(), QStringLiteral("/srv/maj"));
        QCOMPARE(titres,
                 (QStringList{QStringLiteral("Choisir un répertoire"), QStringLiteral("Choisir un répertoire")}));
        ChoixDossier::Remplacer({});
    }

    // Rows that another program has made unreadable while the screen is open are never shown
    // as empty: the proxy screen, whose OK would save empty boxes over them, is refused, and the
    // list of persons, read again, tells why it holds no names.
    void lignesIllisiblesEcranOuvert()
    {
        Banc banc(true);
        TableResponsables::Ajouter(QStringLiteral("DUPONT"));
        QVERIFY(banc.ecran->ChargerParametres());
        auto* liste = banc.w<QTreeWidget>("Lst_Responsables");
        QCOMPARE(liste->topLevelItemCount(), 1);
        {
            AutreProgramme autre(banc.dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE ParamMajInt RENAME TO ParamCachee")));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE MajResponsable RENAME TO ResponsableCachee")));
        }
        banc.cliquer("Cmd_Proxy");
        QCOMPARE(banc.messages.Textes(),
                 QStringList{QStringLiteral("Les paramètres du proxy ne peuvent pas être lus dans la base de données "
                                            "interne : l'écran du proxy ne peut pas être ouvert.")});
        QVERIFY(!banc.ecran->findChild<Frm_Proxy*>());

        QVERIFY(!banc.ecran->ChargerParametres());
        QCOMPARE(liste->topLevelItemCount(), 1);
        QCOMPARE(liste->topLevelItem(0)->text(0),
                 QStringLiteral("La liste des responsables ne peut pas être lue dans la base de données interne."));
        QVERIFY(!liste->isEnabled());
    }

    void proxyAvertitSansProxySysteme()
    {
        {
            Variable http("http_proxy", QByteArray());
            Variable HTTP("HTTP_PROXY", QByteArray());
            Banc banc(true);
            banc.cliquer("Cmd_Proxy");
            QCOMPARE(banc.messages.Textes(), QStringList{kPasDeProxy});
            QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
            Frm_Proxy* proxy = banc.ecran->findChild<Frm_Proxy*>();
            QVERIFY(proxy && proxy->isVisible() && proxy->isModal());
        }
        Variable http("http_proxy", "http://10.1.2.3:3128");
        Variable pas("no_proxy", QByteArray());
        Banc banc(true);
        banc.cliquer("Cmd_Proxy");
        QVERIFY(banc.messages.affiches.isEmpty());
        QVERIFY(banc.ecran->findChild<Frm_Proxy*>());
    }

    // Both passwords of the settings show one star per character.
    void motsDePasseEnEtoiles()
    {
        Banc banc(false);
        QCOMPARE(banc.w<QLineEdit>("Txt_Pass")->displayText(), QStringLiteral("******"));
        banc.cliquer("Cmd_Proxy");
        Frm_Proxy* proxy = banc.ecran->findChild<Frm_Proxy*>();
        QVERIFY(proxy);
        auto* motDePasse = proxy->findChild<QLineEdit*>(QStringLiteral("Txt_MotDePasseProxy"));
        motDePasse->setText(QStringLiteral("é1 x"));
        QCOMPARE(motDePasse->displayText(), QStringLiteral("****"));
    }

    void responsablesAjoutRenommageSuppression()
    {
        Banc banc(true);
        auto* liste = banc.w<QTreeWidget>("Lst_Responsables");
        auto* boite = banc.w<QLineEdit>("Txt_Responsable");
        banc.cliquer("Cmd_Ajouter");
        // Editing leaves only the box, its two buttons and the weekend boxes usable.
        QVERIFY(boite->isEnabled() && boite->hasFocus());
        for (const char* nom :
             {"Cmd_Ajouter", "Cmd_Supprimer", "Cmd_Verif", "Cmd_ChoixEmplacement", "Cmd_OK", "Cmd_Fermer"})
            QVERIFY2(!banc.w<QWidget>(nom)->isEnabled(), nom);
        QVERIFY(!liste->isEnabled() && !banc.heure()->isEnabled() && !banc.jour("Cac_Vendredi")->isEnabled());
        QVERIFY(banc.jour("Cac_Samedi")->isEnabled());
        QTest::keyClicks(boite, QStringLiteral("dupont"));
        QCOMPARE(boite->text(), QStringLiteral("DUPONT"));
        banc.cliquer("Cmd_OkResp");
        QCOMPARE(TableResponsables::Tous().size(), 1);
        QCOMPARE(TableResponsables::Tous().first().NomResponsable, QStringLiteral("DUPONT"));
        QCOMPARE(liste->topLevelItemCount(), 1);
        QCOMPARE(liste->topLevelItem(0)->text(0), QStringLiteral("DUPONT"));
        QVERIFY(!boite->isEnabled() && boite->text().isEmpty());
        QVERIFY(banc.w<QPushButton>("Cmd_OK")->isEnabled() && liste->isEnabled());

        banc.cliquer("Cmd_Ajouter");
        QTest::keyClicks(boite, QStringLiteral("martin"));
        banc.cliquer("Cmd_AnnulerResp");
        QCOMPARE(TableResponsables::Compte(), 1);

        // A double click renames the person.
        const QRect zone = liste->visualItemRect(liste->topLevelItem(0));
        // A real double click: press and release, then the second press as a double click.
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, zone.center());
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, zone.center());
        QCOMPARE(boite->text(), QStringLiteral("DUPONT"));
        boite->selectAll();
        QTest::keyClicks(boite, QStringLiteral("durand"));
        banc.cliquer("Cmd_OkResp");
        QCOMPARE(TableResponsables::Tous().first().NomResponsable, QStringLiteral("DURAND"));

        // Deleting asks first; nothing selected, nothing asked.
        liste->clearSelection();
        liste->setCurrentItem(nullptr);
        banc.cliquer("Cmd_Supprimer");
        QVERIFY(banc.messages.affiches.isEmpty());
        liste->setCurrentItem(liste->topLevelItem(0));
        banc.messages.Repondre(Reponse::Non);
        banc.cliquer("Cmd_Supprimer");
        QCOMPARE(TableResponsables::Compte(), 1);
        banc.cliquer("Cmd_Supprimer");
        QCOMPARE(TableResponsables::Compte(), 0);
        QCOMPARE(liste->topLevelItemCount(), 0);
        const QString question = QStringLiteral("Voulez-vous vraiment supprimer l'utilisateur DURAND de la liste des "
                                                "responsables de la mise à jour ?");
        QCOMPARE(banc.messages.Textes(), (QStringList{question, question}));
        QCOMPARE(banc.messages.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(banc.messages.affiches.first().boutons, Boutons::OuiNon);
    }

    // From the keyboard: Return on a person renames it, and in the name box stores the name;
    // the question before a deletion is not answered by Return alone; Escape does not close
    // the screen; Return elsewhere is "OK", which checks the account, saves and closes.
    void clavier()
    {
        Banc banc(true);
        QVERIFY(TableResponsables::Ajouter(QStringLiteral("DUPONT")));
        banc.ecran->ChargerResponsables();
        auto* liste = banc.w<QTreeWidget>("Lst_Responsables");
        auto* boite = banc.w<QLineEdit>("Txt_Responsable");
        const auto touche = [&banc](Qt::Key cle) {
            QTest::keyClick(banc.ecran->windowHandle(), cle);
        };
        liste->setFocus();
        touche(Qt::Key_Return);
        QVERIFY(boite->isEnabled() && boite->hasFocus());
        QCOMPARE(boite->text(), QStringLiteral("DUPONT"));
        boite->selectAll();
        QTest::keyClicks(boite, QStringLiteral("durand"));
        touche(Qt::Key_Return);
        QCOMPARE(TableResponsables::Tous().first().NomResponsable, QStringLiteral("DURAND"));
        QVERIFY(!boite->isEnabled());
        QVERIFY(banc.demandes.isEmpty());

        liste->setCurrentItem(liste->topLevelItem(0));
        banc.messages.RepondreAuClavier(Qt::Key_Return);
        banc.cliquer("Cmd_Supprimer");
        QCOMPARE(banc.messages.affiches.size(), 1);
        QCOMPARE(TableResponsables::Compte(), 1);
        // The Delete key on the list is "Supprimer", its question included.
        liste->setFocus();
        banc.messages.Repondre(Reponse::Non);
        touche(Qt::Key_Delete);
        QCOMPARE(banc.messages.affiches.size(), 2);
        QCOMPARE(banc.messages.affiches.last().boutons, Boutons::OuiNon);
        QCOMPARE(TableResponsables::Compte(), 1);
        // Return on a focused button presses that button, not the screen's default "OK".
        banc.w<QPushButton>("Cmd_Ajouter")->setFocus();
        touche(Qt::Key_Return);
        QVERIFY(boite->isEnabled() && boite->hasFocus());
        banc.w<QPushButton>("Cmd_AnnulerResp")->setFocus();
        touche(Qt::Key_Return);
        QVERIFY(!boite->isEnabled());
        QVERIFY(banc.demandes.isEmpty());

        touche(Qt::Key_Escape);
        QVERIFY(banc.ecran && banc.ecran->isVisible());
        banc.heure()->setFocus();
        touche(Qt::Key_Return);
        QTRY_VERIFY(!banc.ecran);
        QCOMPARE(banc.demandes.size(), 1);
        QCOMPARE(banc.messages.affiches.size(), 2);
    }

    // An empty name is stored nowhere; a name the database refuses stays in its open box.
    void responsableVideOuNonEnregistre()
    {
        Banc banc(true);
        auto* boite = banc.w<QLineEdit>("Txt_Responsable");
        banc.cliquer("Cmd_Ajouter");
        banc.cliquer("Cmd_OkResp");
        QTest::keyClicks(boite, QStringLiteral("   "));
        banc.cliquer("Cmd_OkResp");
        QCOMPARE(banc.messages.Textes(), (QStringList{kResponsableVide, kResponsableVide}));
        QCOMPARE(TableResponsables::Compte(), 0);
        QVERIFY(boite->isEnabled());
        QVERIFY(!banc.w<QPushButton>("Cmd_OK")->isEnabled());

        boite->clear();
        QTest::keyClicks(boite, QStringLiteral("dupont"));
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = ON")));
        banc.cliquer("Cmd_OkResp");
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = OFF")));
        QCOMPARE(banc.messages.Dernier(),
                 QStringLiteral("Le responsable des mises à jour n'a pas pu être enregistré "
                                "dans la base de données interne."));
        QCOMPARE(boite->text(), QStringLiteral("DUPONT"));
        QVERIFY(boite->isEnabled());
        QCOMPARE(TableResponsables::Compte(), 0);
        banc.cliquer("Cmd_OkResp");
        QCOMPARE(TableResponsables::Compte(), 1);
        QVERIFY(!boite->isEnabled());
    }

    void responsableAjouteCompteCommeModification()
    {
        Banc banc(true);
        banc.cliquer("Cmd_Ajouter");
        QTest::keyClicks(banc.w<QLineEdit>("Txt_Responsable"), QStringLiteral("x"));
        banc.cliquer("Cmd_OkResp");
        QVERIFY(!banc.ecran->ParametresModifies()); // written at once
        banc.w<QTreeWidget>("Lst_Responsables")->clear();
        QVERIFY(banc.ecran->ParametresModifies());
    }
};

QUENTARIS_TEST(TstFrmParams)
#include "tst_Frm_Params.moc"
