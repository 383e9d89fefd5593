#include "console/AccesServeurLocal.h"

#include "acquisition/VerificationMaj.h"
#include "core/Chiffrement.h"
#include "core/DeplacementMaj.h"
#include "core/Frm_Reseau.h"
#include "core/TableParametres.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"

AccesServeurLocal::AccesServeurLocal(Frm_Reseau& reseau, ServeurPostes* postes, InstallationServeur* installation,
                                     InstallationDifferee* differee, VerificationMaj* verification, QObject* parent)
    : AccesServeur(parent)
    , m_reseau(reseau)
    , m_postes(postes)
    , m_installation(installation)
    , m_differee(differee)
    , m_verification(verification)
{
    setObjectName(QStringLiteral("AccesServeurLocal"));
    if (m_postes)
        connect(m_postes, &ServeurPostes::PostesConnectesChange, this, &AccesServeur::PostesConnectesChange);
    if (m_installation) {
        connect(m_installation, &InstallationServeur::Terminee, this, &AccesServeur::InstallationTerminee);
    }
}

const Etat& AccesServeurLocal::Etat_() const
{
    return m_reseau.Etat_();
}

int AccesServeurLocal::PostesConnectes() const
{
    return m_reseau.PostesConnectes();
}

QVector<ServeurPostes::Session> AccesServeurLocal::Sessions() const
{
    return m_postes ? m_postes->Sessions() : QVector<ServeurPostes::Session>();
}

bool AccesServeurLocal::PosteConnecte(const QString& adresse) const
{
    return m_postes && m_postes->PosteConnecte(adresse);
}

void AccesServeurLocal::VerifierMaintenant()
{
    if (m_verification)
        m_verification->VerifierMAJ(true);
}

void AccesServeurLocal::RetirerSession(int index)
{
    if (m_postes)
        m_postes->RetirerSession(index);
}

void AccesServeurLocal::InstallerMajServeur(const QString& fichier, const QString& version, const QString& id)
{
    if (m_installation)
        m_installation->InstallerMajServeur(fichier, version, id);
}

void AccesServeurLocal::PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                                              const QString& id)
{
    if (m_differee)
        m_differee->Planifier(depart, fichier, version, id);
}

void AccesServeurLocal::ParametresEnregistres(const Parametres& parametres)
{
    Etat& etat = m_reseau.Etat_();
    etat.W_User = parametres.UtilisateurMaj;
    etat.W_Pass = ChiffrementMotDePasse::Dechiffrer(parametres.MotDePasseMaj, ChiffrementMotDePasse::Cle());
    etat.W_HeureVerif = parametres.HeureVerifMaj;
    etat.EmplacementMaj = parametres.EmplacementMaj;
    etat.Jours = parametres.Jours;
}

void AccesServeurLocal::DeplacerMaj(const QString& ancien, const QString& nouveau)
{
    Frm_Reseau& reseau = m_reseau;
    auto* deplacement = new DeplacementMaj(
        reseau.Etat_(), [&reseau] { return reseau.TransfertsOuverts(); }, this);
    connect(deplacement, &DeplacementMaj::Attente, this, &AccesServeur::DeplacementAttente);
    connect(deplacement, &DeplacementMaj::Debut, this, &AccesServeur::DeplacementDebut);
    connect(deplacement, &DeplacementMaj::Progression, this, &AccesServeur::DeplacementProgression);
    connect(deplacement, &DeplacementMaj::Anomalie, this, &AccesServeur::DeplacementAnomalie);
    connect(deplacement, &DeplacementMaj::Echec, this, &AccesServeur::DeplacementEchec);
    connect(deplacement, &DeplacementMaj::Termine, this, [this, deplacement](bool reussi) {
        deplacement->deleteLater();
        emit DeplacementTermine(reussi);
    });
    deplacement->Demarrer(ancien, nouveau);
}

void AccesServeurLocal::Quitter()
{
    if (m_reseau.DemandeFermeture())
        m_reseau.Arreter(0);
}
