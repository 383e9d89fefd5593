#pragma once

#include <QWidget>

class AccesServeur;
class AnimationAttente;
class QLabel;
class QPushButton;
class QTreeWidget;

// The workstation sessions connected now: who, from where, since when. One can be closed,
// which disconnects that workstation. Each refresh drops the connections that have died.
class Frm_LstUsers : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_LstUsers(AccesServeur& serveur, QWidget* parent = nullptr);

    void ChargerUtilisateurs();
    void AfficherChargement(bool enCours);

private:
    void casserSession();
    // The live connection of that number still has this address and user.
    bool memeSession(int index, const QString& adresse, const QString& nom) const;

    AccesServeur& m_serveur;
    QTreeWidget* m_liste = nullptr;
    QLabel* m_charge = nullptr;
    AnimationAttente* m_animation = nullptr;
    QPushButton* m_casser = nullptr;
    QPushButton* m_actualiser = nullptr;
    QPushButton* m_fermer = nullptr;
};
