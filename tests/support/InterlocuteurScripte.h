#pragma once

#include "core/Messages.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answers message boxes from a script and records what was shown. Installed for its
// lifetime. Without a scripted answer: Ok, or Yes for a question.
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

    void Repondre(Reponse reponse) { m_reponses.append(reponse); }
    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override;

    QList<Affiche> affiches;
    QStringList Textes() const;
    QString Dernier() const { return affiches.isEmpty() ? QString() : affiches.last().texte; }

private:
    QList<Reponse> m_reponses;
};
