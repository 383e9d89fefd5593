#pragma once

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

// The workstations known to the server (MajPoste) and their version reports (MajHistorique).
struct Poste
{
    qint64 IdMajPoste = 0;
    QString NomPoste;
    QString AdresseMACPoste;
    QString AdresseIPPoste;
    bool PosteSuppr = false;
};

struct LigneHistorique
{
    qint64 IdMajPoste = 0;
    qint64 VersionMaj = 0;
    QString DateInstallVersion; // YYYY-MM-DD
};

namespace TablePostes {

// The workstation of that name, letter case ignored.
std::optional<Poste> ParNom(const QString& nom);

// Creates a workstation; returns its IdMajPoste, or 0 when the statement failed.
qint64 Inserer(const Poste& poste);

bool AjouterHistorique(qint64 idMajPoste, qint64 version, const QDate& date);

QVector<Poste> Tous();

std::optional<Poste> ParId(qint64 idMajPoste);

// The highest version the workstation ever reported; nothing without history.
std::optional<qint64> VersionMax(qint64 idMajPoste);

bool Supprimer(qint64 idMajPoste);

// Reports of a workstation, highest version first, then most recent first.
QVector<LigneHistorique> Historique(qint64 idMajPoste);

} // namespace TablePostes
