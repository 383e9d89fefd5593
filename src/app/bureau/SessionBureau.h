#pragma once

#include "platform/Systeme.h"

#include <QObject>
#include <QPointer>
#include <optional>

class QLocalServer;
class QLocalSocket;

// One desktop program per session: the session's lock, and the channel through which a copy
// started later asks the running one to show its menu.
class SessionBureau : public QObject
{
    Q_OBJECT
public:
    explicit SessionBureau(QObject* parent = nullptr);
    ~SessionBureau() override;

    // Takes the session's lock and listens for later copies. False when another copy holds it.
    bool Prendre(const QString& dossierProgramme);
    // Asks the copy that holds the session to show its menu; Transmise follows, whether the
    // request reached it or not.
    void DemanderMenu();
    // The channel's socket.
    static QString CheminCanal(const QString& dossierProgramme);

    // How long a request may take before this copy gives up on it.
    static constexpr int DelaiMs = 2000;

signals:
    // A later copy asked for the menu.
    void MenuDemande();
    void Transmise();

private:
    void nouvelleConnexion();

    std::optional<Systeme::InstanceUnique> m_verrou;
    QLocalServer* m_ecoute = nullptr;
    QString m_chemin;
    QPointer<QLocalSocket> m_demande;
};
