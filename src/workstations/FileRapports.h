#pragma once

#include "ProtocolePostes.h"

#include <QObject>
#include <QTimer>
#include <deque>

// Version reports of workstations ("ENRMAJ") on their way into the internal database. One that
// the database does not take (another program holds it, it cannot be written) is kept, with
// every report after it, in arrival order, and written as soon as the database takes them,
// tried again on a timer. The queue is bounded: a report that finds it full, or that is still
// waiting when the program stops, is written whole to standard error, so that nothing a
// workstation reported goes without a trace.
class FileRapports : public QObject
{
    Q_OBJECT
public:
    static constexpr int Capacite = 10000;
    static constexpr int IntervalleMs = 500;

    explicit FileRapports(int capacite = Capacite, QObject* parent = nullptr);
    ~FileRapports() override;

    void Enregistrer(const RapportVersion& rapport);
    int EnAttente() const { return static_cast<int>(m_file.size()); }

private:
    void reessayer();

    int m_capacite;
    std::deque<RapportVersion> m_file;
    QTimer m_minuteur;
};
