#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// What a connection to the database server needs, set in this order before connecting.
struct ParametresUniDATA
{
    int Parametre = 2;
    QString Hote;
    QString Utilisateur;
    QString MotDePasse;
    QString CheminCompte; // the database folder
};

// How a database command ended, as far as the client can tell.
enum class IssueCommande
{
    Terminee, // it ran to its end
    Depassee, // still running once the time limit passed; it is left running
    NonLancee, // it could not be started
    DejaEnCours, // a command started earlier in the same database still runs: none was started
};

// One connection to one database of the database server.
class ConnexionUniDATA
{
public:
    virtual ~ConnexionUniDATA() = default;

    // Connects; the connection's error code, 0 when connected.
    virtual int Connecter(const ParametresUniDATA& parametres) = 0;

    // True when a command started earlier in this database still runs.
    virtual bool CommandeEnCours() const = 0;

    // Runs a command inside the database without blocking. `fin` is called once. Nothing
    // else is read back from the command.
    virtual void Executer(const QString& texte, QObject* contexte, std::function<void(IssueCommande)> fin) = 0;

    // Opens the database file, reads the record with that key, closes the file: the file's
    // error code, 0 when the record exists and was read.
    virtual int LireEnregistrement(const QString& fichier, const QString& cle) = 0;

    virtual void Deconnecter() = 0;
};

// The client library: makes a new connection for each database.
class ClientUniDATA
{
public:
    virtual ~ClientUniDATA() = default;
    virtual std::unique_ptr<ConnexionUniDATA> NouvelleConnexion() = 0;
};
