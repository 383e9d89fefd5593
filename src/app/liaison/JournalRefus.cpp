#include "JournalRefus.h"

#include "core/Sortie.h"

#include <QTimer>

JournalRefus::JournalRefus(QObject* parent) : QObject(parent) { }

void JournalRefus::FixerIntervalle(int ms)
{
    m_intervalle = ms;
    for (const Suivi& suivi : std::as_const(m_suivis))
        suivi.minuteur->start(ms);
}

void JournalRefus::Noter(const QString& utilisateur, const QString& ligne)
{
    auto it = m_suivis.find(utilisateur);
    if (it != m_suivis.end()) {
        ++it->tus;
        it->derniere = ligne;
        return;
    }
    Sortie::Ecrire(ligne, Sortie::Priorite::Avertissement);
    Suivi suivi;
    suivi.minuteur = new QTimer(this);
    suivi.minuteur->setSingleShot(true);
    connect(suivi.minuteur, &QTimer::timeout, this, [this, utilisateur] { echeance(utilisateur); });
    suivi.minuteur->start(m_intervalle);
    m_suivis.insert(utilisateur, suivi);
}

void JournalRefus::echeance(const QString& utilisateur)
{
    auto it = m_suivis.find(utilisateur);
    if (it == m_suivis.end())
        return;
    if (it->tus == 0) {
        it->minuteur->deleteLater();
        m_suivis.erase(it);
        return;
    }
    Sortie::Ecrire(it->derniere + QStringLiteral(" (") + QString::number(it->tus)
                       + QStringLiteral(" refus de consoles de l'utilisateur ") + utilisateur
                       + QStringLiteral(" tus depuis la ligne précédente)"),
                   Sortie::Priorite::Avertissement);
    it->tus = 0;
    it->minuteur->start(m_intervalle);
}
