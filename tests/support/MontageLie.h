#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder shown a second time, at another path, by a bind mount for the life of the object:
// the same files under two names that no symbolic link gives away. Needs root.
class MontageLie
{
public:
    explicit MontageLie(const QString& dossier);
    ~MontageLie();
    MontageLie(const MontageLie&) = delete;
    MontageLie& operator=(const MontageLie&) = delete;

    // Empty when mounted; otherwise why it is not (for QSKIP).
    QString Indisponible() const { return m_raison; }
    QString Chemin() const { return m_point.path(); }

private:
    QTemporaryDir m_point;
    QString m_raison;
    bool m_monte = false;
};
