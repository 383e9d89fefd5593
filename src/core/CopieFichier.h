#pragma once

#include "platform/FichierProvisoire.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <functional>

// Copies a file under a new name, which it takes only once the copy is whole (its size
// checked against the source's) and on disk; the name is replaced when taken. A bounded
// number of bytes at a time: started from the event loop, it goes back to the loop between
// two steps, so that a copy of any size never holds up the workstations, the timers or the
// service manager's watchdog. A copy that fails or is abandoned leaves nothing behind.
class CopieFichier : public QObject
{
    Q_OBJECT
public:
    CopieFichier(const QString& source, const QString& destination, QObject* parent = nullptr);

    // Copies step by step; `fin` follows from the event loop, once, unless this object is
    // destroyed first. The reason of a failure ends with a full stop.
    void Demarrer(std::function<void(bool reussie, const QString& raison)> fin);

    // The whole copy at once, for work done before anything is served.
    bool Copier(QString* raison);

    // Bytes copied in one step (one turn of the event loop).
    static constexpr qint64 OctetsParEtape = 256 * 1024;

private:
    enum class Avancement
    {
        EnCours,
        Reussie,
        Echouee
    };
    Avancement etape(QString* raison);
    void suivante();

    QFile m_source;
    FichierProvisoire m_copie;
    qint64 m_taille = -1; // the source's, once opened
    std::function<void(bool, const QString&)> m_fin;
};
