#pragma once

#include "TableMajDispo.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVector>
#include <functional>

class Etat;

// Moves every downloaded update file, and its documentation file, from the old update
// folder to the new one. It first waits until no workstation is fetching a file, no update
// check and no installation runs; while it moves files the server is busy for workstations.
// One file per turn of the event loop, so sockets and timers keep being served.
class DeplacementMaj : public QObject
{
    Q_OBJECT
public:
    DeplacementMaj(Etat& etat, std::function<int()> transfertsOuverts, QObject* parent = nullptr);
    ~DeplacementMaj() override;

    void Demarrer(const QString& ancien, const QString& nouveau);

    // Moves one file; false with the reason when it did not move. Works across file systems.
    static bool DeplacerFichier(const QString& source, const QString& destination, QString* raison);

signals:
    void Attente(bool enAttente);
    void Debut(int nombre); // the number of updates to move
    void Progression(int faites);
    void Anomalie(const QString& message); // a file that stayed where it was
    void Termine();

private:
    void essayerDeCommencer();
    void deplacerSuivante();
    void deplacer(const QString& nom);
    void finir();

    Etat& m_etat;
    std::function<int()> m_transfertsOuverts;
    QTimer m_attente;
    QString m_ancien;
    QString m_nouveau;
    QVector<MajDispo> m_majs;
    QSet<QString> m_traites; // file names already moved, or reported
    int m_suivante = 0;
    enum class Phase
    {
        Pret,
        Attente,
        Deplacement,
        Fini
    } m_phase
        = Phase::Pret;
};
