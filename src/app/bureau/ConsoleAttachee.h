#pragma once

#include "AccesServeurDistant.h"
#include "app/liaison/LienService.h"
#include "console/EcransConsole.h"
#include "console/commun/MessagesConsole.h"
#include "console/installation/FenetresInstallation.h"
#include "console/menu/Console.h"
#include "console/verification/StatutVerificationConsole.h"

#include <QJsonObject>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

// The desktop program as the console of the system service running on its program folder: the
// tray icon, the menu and every screen, the service's messages and what it asks of a person.
// The server itself runs in the service. When the service goes, the console says so, greys what
// needs it and ends every window that waited for its answer; it attaches again by itself and
// says so when the service is back.
class ConsoleAttachee : public QObject
{
    Q_OBJECT
public:
    explicit ConsoleAttachee(QObject* parent = nullptr);
    ~ConsoleAttachee() override;

    // Connects to the socket of the service running on that program folder; Attachee, Refusee
    // or Injoignable follows. Once attached, the screens read and write the folder's database.
    void Connecter(const QString& dossierProgramme);

    LienService Lien;
    AccesServeurDistant Acces{Lien};
    MessagesConsole Messages_;
    StatutVerificationConsole StatutVerification_;
    Console Console_{Acces};
    EcransConsole Ecrans_{Acces, Console_};
    FenetresInstallation FenetresInstallation_{{Acces, &Console_}};

    // The notice shown without blocking when the service goes or comes back.
    QMessageBox* Avis() const { return m_avis; }
    static QString MessageServicePerdu();
    static QString MessageServiceRevenu();
    // The question of the quit entry: the service stops for the whole site.
    static QString QuestionArret();

    // How often a console that lost its service tries again.
    static constexpr int ReessaiMs = 2000;

signals:
    void Attachee();
    void Refusee(const QString& raison);
    void Injoignable(const QString& raison);
    // The console ends: the service was stopped from its menu, or the quit entry was chosen
    // while the service was gone.
    void Fin(int code);

private:
    void attachee();
    void perdu();
    void quitter();
    void recu(const QJsonObject& message);
    void repondre(const QString& question, QJsonObject reponse = {});
    // The icon and the menu, once the first-start screen (if any) has been filled.
    void montrer();
    void annoncer(const QString& texte);

    QString m_chemin;
    QString m_dossier;
    QTimer m_reessai;
    QPointer<QMessageBox> m_avis;
    bool m_dejaAttachee = false;
    bool m_arretAccepte = false;
    bool m_progression = false; // the installation's progress window is open
    bool m_montree = false; // the icon is shown and the menu was opened
    bool m_premierDemarrage = false; // the first-start screen is shown or announced
    bool m_perdu = false; // the loss of the service was told
};
