#include "AttenteFichierSite.h"

#include "core/Frm_Reseau.h"
#include "core/Sortie.h"
#include "platform/Systemd.h"

#include <QFileInfo>

AttenteFichierSite::AttenteFichierSite(Frm_Reseau& reseau, Systemd& systemd, QObject* parent)
    : QObject(parent), m_reseau(reseau), m_systemd(systemd)
{
    m_calme.setSingleShot(true);
    m_calme.setInterval(CalmeMs);
    m_regard.setInterval(RegardMs);
    connect(&m_calme, &QTimer::timeout, this, &AttenteFichierSite::reessayer);
    connect(&m_regard, &QTimer::timeout, this, &AttenteFichierSite::reessayer);
    const auto changement = [this] {
        m_calme.start();
    };
    connect(&m_surveillance, &QFileSystemWatcher::directoryChanged, this, changement);
    connect(&m_surveillance, &QFileSystemWatcher::fileChanged, this, changement);
    connect(&m_reseau, &Frm_Reseau::FichierDuSiteAttendu, this, &AttenteFichierSite::attendre);
    connect(&m_reseau, &Frm_Reseau::Demarre, this, &AttenteFichierSite::terminer);
    connect(&m_reseau, &Frm_Reseau::Fin, this, &AttenteFichierSite::terminer);
}

void AttenteFichierSite::attendre(const QString& chemin, const QString& raison)
{
    surveiller(chemin);
    m_regard.start();
    if (raison == m_raison)
        return;
    m_raison = raison;
    Sortie::Ecrire(raison + QStringLiteral(" Le service attend ce fichier et démarrera dès qu'il sera lisible."),
                   Sortie::Priorite::Erreur);
    // Running, not failed: a restart would change nothing, and the start would time out.
    m_systemd.Pret();
    m_systemd.Etat(raison);
}

void AttenteFichierSite::reessayer()
{
    // Still wrong, the start says so again at once, and the waiting goes on.
    m_calme.stop();
    m_regard.stop();
    m_reseau.ReprendreDemarrage();
}

void AttenteFichierSite::surveiller(const QString& chemin)
{
    // The folder tells of the file's creation, renaming and rights; the file itself of what is
    // written into it. Each is asked for once: one that cannot be watched (no right to read it)
    // is looked at by the timer.
    if (chemin != m_chemin) {
        m_chemin = chemin;
        m_essayes.clear();
        const QStringList surveilles = m_surveillance.directories() + m_surveillance.files();
        if (!surveilles.isEmpty())
            m_surveillance.removePaths(surveilles);
    }
    for (const QString& voulu : {QFileInfo(chemin).absolutePath(), chemin}) {
        if (!m_essayes.contains(voulu) && QFileInfo::exists(voulu)) {
            m_essayes.append(voulu);
            m_surveillance.addPath(voulu);
        }
    }
}

void AttenteFichierSite::terminer()
{
    m_calme.stop();
    m_regard.stop();
    const QStringList surveilles = m_surveillance.directories() + m_surveillance.files();
    if (!surveilles.isEmpty())
        m_surveillance.removePaths(surveilles);
    m_raison.clear();
    m_chemin.clear();
    m_essayes.clear();
}
