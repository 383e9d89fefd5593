#pragma once

#include <QString>
#include <QStringList>

// quentaris-serveur [--home DIR] [--init-db] [--sauvegarde FILE] [--chiffrer TEXT] [--autostart] [--version]
// [--help]
struct LigneDeCommande
{
    bool Valide = true;
    QString Erreur;
    QString Dossier; // empty: the executable's folder
    bool InitDb = false;
    QString Sauvegarde; // the copy of the internal database to write; empty: none
    bool Chiffrer = false;
    QString TexteAChiffrer;
    bool Autostart = false;
    bool Version = false;
    bool Aide = false;

    static LigneDeCommande Analyser(const QStringList& arguments);
    static QString Usage();
};
