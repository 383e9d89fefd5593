#pragma once

#include <QString>
#include <QVector>

// Persons responsible for updates (MajResponsable).
struct Responsable
{
    qint64 IdResponsable = 0;
    QString NomResponsable;
};

namespace TableResponsables {

QVector<Responsable> Tous();
qint64 Compte();
bool Ajouter(const QString& nom);
bool Renommer(qint64 idResponsable, const QString& nom);
bool Supprimer(qint64 idResponsable);

// Whether a person of that name is responsible, letter case ignored.
bool Existe(const QString& nom);

} // namespace TableResponsables
