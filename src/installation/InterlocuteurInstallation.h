#pragma once

#include <QString>
#include <QVector>
#include <functional>

// Credentials typed for the database server.
struct Identifiants
{
    QString Utilisateur;
    QString MotDePasse;
    bool Conserver = false; // keep them for the rest of the server's run
    bool Annule = false;
};

// One line of the database update report. Code: "1" installed, "2" error (locks the
// report), "3" not installed.
struct ResultatBase
{
    QString Nom;
    QString Etat;
    QString Message;
    QString Code;
};

// The windows of a server installation, as the installation sees them. The console shows
// the real windows; tests answer from a script. Each answer may come at once or later.
class InterlocuteurInstallation
{
public:
    virtual ~InterlocuteurInstallation() = default;

    // The credentials dialog, modal; `fin` is called once (Annule when it was cancelled or
    // closed).
    virtual void DemanderIdentifiants(std::function<void(const Identifiants&)> fin) = 0;

    // The progress window, shown without blocking while the databases are updated.
    virtual void OuvrirProgression() = 0;
    virtual void AfficherProgression(const QString& texte) = 0;
    virtual void FermerProgression() = 0;

    // The report window, modal; `ferme` is called once it has been closed (a locked report
    // closes only with the unlock password).
    virtual void AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme) = 0;
};
