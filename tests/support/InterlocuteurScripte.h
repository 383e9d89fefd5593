#pragma once

#include "core/Messages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>

// Answers message boxes from a script and records what was shown. Installed for its
// lifetime. Without a scripted answer: Ok, or Yes for a question. A key in the script shows
// the console's real box and presses that key on it: its answer is the box's own.
class InterlocuteurScripte : public Interlocuteur
{
public:
    struct Affiche
    {
        QString titre;
        QString texte;
        Icone icone;
        Boutons boutons;
    };

    InterlocuteurScripte();
    ~InterlocuteurScripte() override;

    void Repondre(Reponse reponse) { m_reponses.append({reponse, 0}); }
    void RepondreAuClavier(Qt::Key touche) { m_reponses.append({Reponse::Ok, touche}); }
    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override;

    QList<Affiche> affiches;
    QStringList Textes() const;
    QString Dernier() const { return affiches.isEmpty() ? QString() : affiches.last().texte; }

private:
    struct Script
    {
        Reponse reponse;
        int touche;
    };
    QList<Script> m_reponses;
};
