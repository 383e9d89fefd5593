#include "FileRapports.h"

#include "core/BaseInterne.h"
#include "core/Sortie.h"

namespace {

// Reports written at one tick, so that a long queue never holds up the event loop.
constexpr int kParTour = 50;

QString texte(const RapportVersion& r)
{
    return QStringLiteral("ENRMAJ ") + r.Nom + QLatin1Char('#') + QString::number(r.Version) + QLatin1Char('#')
        + r.AdresseMAC + QLatin1Char('#') + r.AdresseIP + QStringLiteral(" (") + BaseInterne::TexteDate(r.Jour)
        + QLatin1Char(')');
}

} // namespace

FileRapports::FileRapports(int capacite, QObject* parent) : QObject(parent), m_capacite(capacite)
{
    m_minuteur.setSingleShot(true);
    connect(&m_minuteur, &QTimer::timeout, this, &FileRapports::reessayer);
}

FileRapports::~FileRapports()
{
    for (const RapportVersion& rapport : m_file)
        Sortie::Ecrire(QStringLiteral("Rapport de version non écrit dans la base interne à l'arrêt : ")
                       + texte(rapport));
}

void FileRapports::Enregistrer(const RapportVersion& rapport)
{
    if (m_file.empty()) {
        BaseInterne::AttenteCourte attente;
        if (EnregistrerVersionPoste(rapport))
            return;
        Sortie::Ecrire(QStringLiteral("Base interne : les rapports de version sont gardés à partir de celui de ")
                       + rapport.Nom + QStringLiteral(", et écrits dès qu'elle les acceptera."));
    } else if (EnAttente() >= m_capacite) {
        Sortie::Ecrire(QStringLiteral("Rapport de version non écrit, ") + QString::number(m_capacite)
                       + QStringLiteral(" rapports attendant déjà la base interne : ") + texte(rapport));
        return;
    }
    m_file.push_back(rapport);
    if (!m_minuteur.isActive())
        m_minuteur.start(IntervalleMs);
}

void FileRapports::reessayer()
{
    BaseInterne::Reessai reessai;
    int ecrits = 0;
    while (!m_file.empty() && ecrits < kParTour && EnregistrerVersionPoste(m_file.front())) {
        m_file.pop_front();
        ++ecrits;
    }
    if (m_file.empty()) {
        Sortie::Ecrire(QStringLiteral("Base interne : les rapports de version gardés sont écrits."));
        return;
    }
    // Going on at once while the database takes them, waiting otherwise.
    m_minuteur.start(ecrits == kParTour ? 0 : IntervalleMs);
}
