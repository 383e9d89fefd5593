#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class ConsoleAttachee;
class QMessageBox;

// On a program folder that is the service's, the desktop program never serves: while the service
// does not answer (stopped, restarting, its socket left behind by a crash), it says so once with
// how to start it, tries again, and the console attaches as soon as the service is back.
class AttenteService : public QObject
{
    Q_OBJECT
public:
    AttenteService(ConsoleAttachee& console, const QString& dossierProgramme, QObject* parent = nullptr);
    ~AttenteService() override;

    // The service did not answer: the notice, the first time, and another try a little later.
    void Injoignable(const QString& raison);
    bool EnAttente() const { return m_reessai.isActive(); }
    // The notice again, for a person who started the program a second time meanwhile.
    void RappelerAvis();

    static QString CommandeDemarrage() { return QStringLiteral("sudo systemctl start quentaris-serveur"); }

private:
    void afficherAvis();

    ConsoleAttachee& m_console;
    QString m_dossier;
    QString m_avisTexte;
    QTimer m_reessai;
    QPointer<QMessageBox> m_avis;
};
