#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class Frm_Reseau;
class Systemd;

// A site's file the service cannot start without (configserv.ini, quentaris.ini) is waited for
// rather than ending the service, which systemd would start again and again: what is wrong is
// said once at priority err, in the journal and on the status line of `systemctl status`, and
// the start goes on by itself once the file has been written.
class AttenteFichierSite : public QObject
{
    Q_OBJECT
public:
    AttenteFichierSite(Frm_Reseau& reseau, Systemd& systemd, QObject* parent = nullptr);

    // How long a change must be followed by quiet before the file is read again: an editor or a
    // copy may create the file, then write it.
    static constexpr int CalmeMs = 500;
    // A folder that cannot be watched (not there yet, a network mount) is looked at this often.
    static constexpr int RegardMs = 10000;

private:
    void attendre(const QString& chemin, const QString& raison);
    void reessayer();
    void surveiller(const QString& chemin);
    void terminer();

    Frm_Reseau& m_reseau;
    Systemd& m_systemd;
    QFileSystemWatcher m_surveillance;
    QTimer m_calme;
    QTimer m_regard;
    QString m_raison; // what was said last
    QString m_chemin; // the file waited for
    QStringList m_essayes; // what the watch was asked for
};
