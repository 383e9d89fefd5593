#pragma once

#include <QWidget>

class AnimationAttente;
class ServeurPostes;
class QLabel;
class QPushButton;
class QTreeWidget;

// The workstation sessions connected now: who, from where, since when. One can be closed,
// which disconnects that workstation. Each refresh drops the connections that have died.
class Frm_LstUsers : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_LstUsers(ServeurPostes& postes, QWidget* parent = nullptr);

    void ChargerUtilisateurs();
    void AfficherChargement(bool enCours);

private:
    void casserSession();
    // The live connection of that number still has this address and user.
    bool memeSession(int index, const QString& adresse, const QString& nom) const;

    ServeurPostes& m_postes;
    QTreeWidget* m_liste = nullptr;
    QLabel* m_charge = nullptr;
    AnimationAttente* m_animation = nullptr;
    QPushButton* m_casser = nullptr;
    QPushButton* m_actualiser = nullptr;
    QPushButton* m_fermer = nullptr;
};
