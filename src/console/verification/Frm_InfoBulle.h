#pragma once

#include <QWidget>

class AnimationAttente;
class QLabel;
class QProgressBar;

// The balloon of a scheduled check: a notification beside the panel, above every other window,
// never taking the focus and never in the taskbar.
class Frm_InfoBulle : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_InfoBulle(QWidget* parent = nullptr);

    void EcrireTexte(const QString& texte);
    void Progression(qint64 recus, qint64 taille);
    // Puts the balloon in the corner of the primary screen beside the panel.
    void Placer();

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QLabel* m_texte = nullptr;
    QProgressBar* m_progression = nullptr;
    AnimationAttente* m_animation = nullptr;
};
