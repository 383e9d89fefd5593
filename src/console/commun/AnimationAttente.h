#pragma once

#include <QTimer>
#include <QWidget>

// A small turning wheel shown while the server waits or works.
class AnimationAttente : public QWidget
{
    Q_OBJECT
public:
    explicit AnimationAttente(QWidget* parent = nullptr);

    void Demarrer();
    void Arreter();
    bool EnCours() const { return m_minuteur.isActive(); }

    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QTimer m_minuteur;
    int m_pas = 0;
};
