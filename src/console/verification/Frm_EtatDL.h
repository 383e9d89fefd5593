#pragma once

#include <QWidget>

class AnimationAttente;
class QLabel;
class QProgressBar;

// The status window of a manual check: what the check is doing and the progress of the
// current download.
class Frm_EtatDL : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_EtatDL(QWidget* parent = nullptr);

    void EcrireTexte(const QString& texte);
    // A new download of `taille` bytes, or its progress.
    void Progression(qint64 recus, qint64 taille);

private:
    QLabel* m_texte = nullptr;
    QProgressBar* m_progression = nullptr;
    AnimationAttente* m_animation = nullptr;
};
