#pragma once

#include "ClientUniDATA.h"

#include <QObject>

// The database server on this machine, reached through its folders: a database is its
// folder, the command LANCEMAJCD is the program INSTALLMAJ/LANCEMAJCD of that folder, and the
// database file INSTALLMAJ is the folder of that name, one file per record key. The client
// keeps the commands it started and records each one's process in its folder: one database
// never runs two at once, and a command still running when the server stops is left to
// finish and still seen running by the server that follows.
class ClientUniDATALocal : public QObject, public ClientUniDATA
{
    Q_OBJECT
public:
    explicit ClientUniDATALocal(QObject* parent = nullptr);
    ~ClientUniDATALocal() override;

    std::unique_ptr<ConnexionUniDATA> NouvelleConnexion() override;

    // How long a command may run before its database is reported in error (30 minutes).
    int DelaiCommandeMs() const { return m_delaiMs; }
    void FixerDelaiCommande(int ms) { m_delaiMs = ms; }

    // True when a command started in that database folder still runs, whether this client,
    // an earlier run of the server or another program started it.
    bool CommandeEnCours(const QString& dossier) const;

private:
    int m_delaiMs = 30 * 60 * 1000;
};
