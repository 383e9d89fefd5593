#pragma once

#include "AttenteFichierSite.h"
#include "PersonnesDistantes.h"
#include "app/liaison/EcouteConsoles.h"
#include "app/serveur/ServeurAssemble.h"
#include "platform/SignauxArret.h"
#include "platform/Systemd.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class DemandeConsole;
class DeplacementMaj;

// The system service: the server without windows, its consoles on a local socket, and the
// service manager told when it is ready and kept informed that it lives. A stop asked by the
// system waits for an extraction, a database command or a move of the update folder to end.
class Service : public QObject
{
    Q_OBJECT
public:
    explicit Service(QObject* parent = nullptr);
    ~Service() override;

    // The socket goes in `dossierSocket` (the runtime folder systemd gives) when one is given,
    // in the program folder otherwise; the program folder then holds a link to it.
    void Demarrer(const QString& dossierProgramme, const QString& dossierSocket);

    ServeurAssemble& Serveur() { return m_serveur; }
    EcouteConsoles& Consoles() { return m_consoles; }

    // Told to a console that asks for new work while a stop waits for the work that runs.
    static QString MessageArretEnAttente();
    // Told to a console that asks for work before the server has started.
    static QString MessagePasDemarre();

    // How often the state the consoles show is compared with what they were last sent.
    static constexpr int EtatMs = 250;

signals:
    void Fin(int code);

private:
    void demarre();
    // A console's request, checked against the server's own state; what does not match is
    // refused to that console alone, with one line on standard error.
    void recu(int console, const QJsonObject& message);
    void refuser(int console, const DemandeConsole& demande, const QString& raison);
    void installer(int console, DemandeConsole& demande);
    void planifier(int console, DemandeConsole& demande);
    void deplacer(int console, DemandeConsole& demande);
    void fermerSession(int console, DemandeConsole& demande);
    void envoyerEtat(int console);
    QJsonObject etat() const;
    void reprendreParametres();
    void arretDemande();
    // A move that has not begun yet is given up, and its console told why.
    void abandonnerDeplacementEnAttente();

    EcouteConsoles m_consoles;
    PersonnesDistantes m_personnes{m_consoles};
    ServeurAssemble m_serveur{m_personnes};
    Systemd m_systemd;
    AttenteFichierSite m_attenteSite{m_serveur.Reseau, m_systemd};
    SignauxArret m_signaux;
    QTimer m_etat;
    QJsonObject m_dernierEtat;
    QTimer m_arret; // a stop that waits for work to end
    QPointer<DeplacementMaj> m_deplacement;
    bool m_deplacementEnAttente = false; // it waits for its turn: no file has moved yet
    std::function<void(const QString&, const QJsonValue&)> m_suivreDeplacement; // to its console
    bool m_demarre = false; // the server has started: settings and site files are read
    bool m_fini = false; // the server has stopped: the process is ending
};
