#pragma once

#include "AccesServeurDistant.h"
#include "app/liaison/LienService.h"
#include "console/EcransConsole.h"
#include "console/commun/MessagesConsole.h"
#include "console/installation/FenetresInstallation.h"
#include "console/menu/Console.h"
#include "console/verification/StatutVerificationConsole.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>

// The desktop program as the console of the system service running on its program folder: the
// tray icon, the menu and every screen, the service's messages and what it asks of a person.
// The server itself runs in the service; when the service stops or restarts, the icon says so
// and the console attaches again by itself.
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

    // How often a console that lost its service tries again.
    static constexpr int ReessaiMs = 2000;

signals:
    void Attachee();
    void Refusee(const QString& raison);
    void Injoignable(const QString& raison);
    // The service was stopped from this console's menu: the console ends with it.
    void Fin(int code);

private:
    void attachee();
    void perdu();
    void recu(const QJsonObject& message);
    void repondre(const QString& question, QJsonObject reponse = {});

    QString m_chemin;
    QString m_dossier;
    QTimer m_reessai;
    bool m_dejaAttachee = false;
    bool m_arretAccepte = false;
    bool m_progression = false; // the installation's progress window is open
};
