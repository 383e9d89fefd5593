#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// A console's request as the service reads it: untrusted input, each field checked for its
// type and range before it is used. The first fault found is kept, in French, for the
// console; later reads then give empty values.
class DemandeConsole
{
public:
    explicit DemandeConsole(const QJsonObject& message);

    // The identifier the console chose, echoed in every answer; null when it is not valid.
    QJsonValue Identifiant() const { return m_identifiant; }
    QString Type() const { return m_type; }
    bool Valide() const { return m_refus.isEmpty(); }
    QString Refus() const { return m_refus; }

    // A text field, present and a string without a null character.
    QString Texte(const char* cle);
    // A whole number within bounds.
    qint64 Entier(const char* cle, qint64 minimum, qint64 maximum);
    // A boolean, false when absent.
    bool Booleen(const char* cle);

private:
    void refuser(const QString& raison);
    // "… le champ « cle » " followed by what the field must be.
    void refuserChamp(const char* cle, const QString& exigence);

    QJsonObject m_message;
    QJsonValue m_identifiant;
    QString m_type;
    QString m_refus;
};
