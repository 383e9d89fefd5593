#include "InterlocuteurScripte.h"

InterlocuteurScripte::InterlocuteurScripte()
{
    Messages::Installer(this);
}

InterlocuteurScripte::~InterlocuteurScripte()
{
    Messages::Installer(nullptr);
}

Reponse InterlocuteurScripte::Afficher(QObject*, const QString& titre, const QString& texte, Icone icone,
                                       Boutons boutons)
{
    affiches.append({titre, texte, icone, boutons});
    if (!m_reponses.isEmpty())
        return m_reponses.takeFirst();
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Oui;
}

QStringList InterlocuteurScripte::Textes() const
{
    QStringList textes;
    for (const auto& a : affiches)
        textes.append(a.texte);
    return textes;
}
