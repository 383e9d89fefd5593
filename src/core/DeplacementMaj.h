#pragma once

#include "TableMajDispo.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVector>
#include <functional>

class CopieFichier;
class Etat;

// Moves every downloaded update file, and its documentation file, from the old update
// folder to the new one, all or nothing. It first waits until no workstation is fetching a
// file, no update check and no installation runs; while it moves files the server is busy
// for workstations. One file per turn of the event loop, and a copy across file systems a step
// per turn, so sockets, timers and the watchdog keep being served. Once every file is in place the new folder is saved
// and published, and only then are workstations served again; when a file cannot be placed, those already placed go
// back and the old folder stays the update folder. The move is recorded on disk while it runs (DeplacementEnregistre),
// so that a start after a kill finishes or undoes it.
class DeplacementMaj : public QObject
{
    Q_OBJECT
public:
    DeplacementMaj(Etat& etat, std::function<int()> transfertsOuverts, QObject* parent = nullptr);
    ~DeplacementMaj() override;

    void Demarrer(const QString& ancien, const QString& nouveau);

    // How a file reached its new name.
    enum class Maniere
    {
        Renomme, // same file system: the source name is gone
        Copie, // another file system: a checked copy, the source is still there
        DejaLa, // the destination is the source file itself (a second name of it): nothing moved
    };
    // Puts one file under a new name that must be free; false with the reason when it did not,
    // the source then untouched. Across file systems the copy has no name in the new folder
    // until it is synced to disk and checked against the source's size.
    // A file already at the destination with the same bytes counts as placed there (a copy);
    // one that is the source file itself, by device and inode, as already there.
    static bool PlacerFichier(const QString& source, const QString& destination, Maniere* maniere, QString* raison);
    // Both files hold the same bytes.
    static bool MemeContenu(const QString& a, const QString& b);

signals:
    void Attente(bool enAttente);
    void Debut(int nombre); // the number of updates to move
    void Progression(int faites);
    void Anomalie(const QString& message); // a line for the person: a missing file, a file left behind
    void Echec(const QString& message); // what stopped the move
    void Termine(bool reussi);

private:
    struct Place
    {
        QString nom;
        Maniere maniere;
    };
    // One file to place; the last of its update moves the progress on.
    struct Tache
    {
        QString nom;
        bool finDeMaj;
    };
    enum class Issue
    {
        Place,
        Refuse,
        ACopier // on another file system
    };
    static Issue placerSansCopier(const QString& source, const QString& destination, Maniere* maniere, QString* raison);

    void essayerDeCommencer();
    void deplacerSuivante();
    void placer(const QString& nom);
    void tacheFaite();
    void publier();
    void echouer(const QString& message);
    bool remettre(bool signaler);
    void effacerEnregistrement();
    void signaler(const QString& message, bool emettre);
    void finir(bool reussi);

    Etat& m_etat;
    std::function<int()> m_transfertsOuverts;
    QTimer m_attente;
    QString m_ancien;
    QString m_nouveau;
    QVector<MajDispo> m_majs;
    QSet<QString> m_traites; // file names already placed, or reported
    QVector<Place> m_places; // in the order they were placed
    QVector<Tache> m_taches;
    int m_tache = 0; // the next one
    int m_faites = 0; // updates whose files are all placed
    bool m_enregistre = false; // the record of this move is on disk
    enum class Phase
    {
        Pret,
        Attente,
        Deplacement,
        Fini
    } m_phase
        = Phase::Pret;
};
