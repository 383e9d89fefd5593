#pragma once

#include <QString>

// What a check shows to the person at the screen: a status window during a manual check, a
// balloon beside the panel during a scheduled one. The console shows real windows; tests
// record the calls.
class StatutVerification
{
public:
    virtual ~StatutVerification() = default;
    // The check begins: status window (manual) or balloon (scheduled), busy pointer for a manual one.
    virtual void Ouvrir(bool manuelle) = 0;
    // A download begins: its status text, and a progress of 0 out of `taille` bytes.
    virtual void Telechargement(const QString& texte, qint64 taille) = 0;
    virtual void Progression(qint64 recus) = 0;
    // Another status text for the download under way (a new attempt coming); the progress stays.
    virtual void Texte(const QString& texte) = 0;
    // The check has ended: the window closes; after a manual check the event viewer opens.
    virtual void Fermer(bool manuelle) = 0;
};
