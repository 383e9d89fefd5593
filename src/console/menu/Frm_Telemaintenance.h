#pragma once

#include <QUrl>
#include <QWidget>

class AccesServeur;

// Announces the opening of the maker's remote-maintenance page, opens it in the browser and
// closes itself as soon as it has been shown.
class Frm_Telemaintenance : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_Telemaintenance(const AccesServeur& serveur, QWidget* parent = nullptr);

    // The page: scheme http, the service's host (and its port, if any), path /support.
    static QUrl AdressePage(const QString& adresseService);

protected:
    void showEvent(QShowEvent* evenement) override;
    void changeEvent(QEvent* evenement) override;

private:
    void fermerPlusTard();

    bool m_fermetureDemandee = false;
};
