#pragma once

#include <QDialog>
#include <QTimer>

class AccesServeur;
class AnimationAttente;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// Has the server move the downloaded updates to the new update folder, with a progress bar.
// Opens modal over the parameters screen, starts the move once shown, and closes by itself
// about three seconds after the end. When the move failed, or a file needs telling about, it
// lists what happened and waits to be closed.
class Frm_TransfertMAJ : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_TransfertMAJ(AccesServeur& serveur, QWidget* parent = nullptr);

    void FixerEmplacements(const QString& ancien, const QString& nouveau);
    void Transfert(const QString& ancien, const QString& nouveau);

    QTimer Tim_Fin;

signals:
    // The move has ended; when it succeeded, the new folder is saved and in use.
    void Termine(bool reussi);

protected:
    void showEvent(QShowEvent* evenement) override;
    void reject() override;

private:
    void termine(bool reussi);
    void lister(const QString& ligne);
    void finTick();

    QLabel* m_attente = nullptr;
    QLabel* m_termine = nullptr;
    QLabel* m_annule = nullptr;
    QProgressBar* m_barre = nullptr;
    AnimationAttente* m_animation = nullptr;
    QLineEdit* m_ancien = nullptr;
    QLineEdit* m_nouveau = nullptr;
    QPlainTextEdit* m_anomalies = nullptr;
    QPushButton* m_fermer = nullptr;
    AccesServeur& m_serveur;
    qint16 m_ticks = 0;
    bool m_lance = false;
    bool m_fini = false;
};
