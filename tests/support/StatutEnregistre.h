#pragma once

#include "acquisition/StatutVerification.h"

#include <QStringList>

// Records what a check shows, in order.
class StatutEnregistre : public StatutVerification
{
public:
    void Ouvrir(bool manuelle) override
    {
        appels.append(manuelle ? QStringLiteral("ouvrir manuelle") : QStringLiteral("ouvrir planifiée"));
    }
    void Telechargement(const QString& texte, qint64 taille) override
    {
        appels.append(texte + QStringLiteral(" /") + QString::number(taille));
    }
    void Progression(qint64 recus) override { derniereProgression = recus; }
    void Texte(const QString& texte) override { appels.append(texte); }
    void Fermer(bool manuelle) override
    {
        appels.append(manuelle ? QStringLiteral("fermer manuelle") : QStringLiteral("fermer planifiée"));
    }

    QStringList appels;
    qint64 derniereProgression = -1;
};
